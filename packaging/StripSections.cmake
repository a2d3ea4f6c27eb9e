# SPDX-License-Identifier: MIT
# Run by CPack after the install step: removes from the programs the sections
# a package does not need (the compiler's .comment, the .note section), as
# Debian's dh_strip does.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${program}
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
if(NOT programs)
    message(FATAL_ERROR "no programs found under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
