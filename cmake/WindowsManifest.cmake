# SPDX-License-Identifier: MIT
# lanbrook_add_windows_manifest(): gives every executable defined so far the
# application manifest (cmake/lanbrook.manifest), which makes UTF-8 the
# programs' ANSI code page. Called once, after all folders are added.
function(lanbrook_add_windows_manifest)
    set(manifest ${PROJECT_SOURCE_DIR}/cmake/lanbrook.manifest)
    if(MSVC)
        # The linker merges a .manifest source into the one it writes.
        set(resource ${manifest})
    else()
        set(LANBROOK_MANIFEST ${manifest})
        set(resource ${PROJECT_BINARY_DIR}/lanbrook-manifest.rc)
        configure_file(${PROJECT_SOURCE_DIR}/cmake/manifest.rc.in ${resource} @ONLY)
    endif()
    set(folders ${PROJECT_SOURCE_DIR})
    while(folders)
        list(POP_FRONT folders folder)
        get_property(children DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
        list(APPEND folders ${children})
        get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type STREQUAL "EXECUTABLE")
                target_sources(${target} PRIVATE ${resource})
            endif()
        endforeach()
    endwhile()
endfunction()
