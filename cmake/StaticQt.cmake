# SPDX-License-Identifier: MIT
# lanbrook_import_qt_platforms(TARGET): a program linked against a static Qt
# (the Windows cross build's) holds only the platform plugins it imports:
# Qt's Windows platform, and the offscreen one the window tests run on
# without a display. Nothing with a shared Qt, which loads them at run time.
function(lanbrook_import_qt_platforms target)
    get_target_property(type Qt6::Core TYPE)
    if(NOT type STREQUAL "STATIC_LIBRARY")
        return()
    endif()
    set(plugins)
    foreach(plugin QWindowsIntegrationPlugin QOffscreenIntegrationPlugin)
        if(TARGET Qt6::${plugin})
            list(APPEND plugins Qt6::${plugin})
        endif()
    endforeach()
    qt_import_plugins(${target} INCLUDE ${plugins})
endfunction()
