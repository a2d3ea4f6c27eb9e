# SPDX-License-Identifier: MIT
# Writes OUTPUT, bash completion for the program SCAN, from the options its
# --help lists: each line that starts (after blanks) with an option, maybe
# followed by the name of its value. A value named FOLDER or DIR completes to
# folders, FILE to files, any other (BYTES, ...) to nothing; words that are
# not options complete to folders, the program's arguments.
execute_process(COMMAND ${SCAN} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${SCAN} --help failed (${status})")
endif()

string(REPLACE ";" "," help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(words "")
set(folder_options "")
set(file_options "")
set(other_options "")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^ +(-[-A-Za-z0-9]*)( ([A-Z][A-Z_]*))?( |$)")
        continue()
    endif()
    set(option ${CMAKE_MATCH_1})
    set(value ${CMAKE_MATCH_3})
    list(APPEND words ${option})
    if(value MATCHES "^(FOLDER|DIR|DIRECTORY)$")
        list(APPEND folder_options ${option})
    elseif(value MATCHES "^(FILE|PATH)$")
        list(APPEND file_options ${option})
    elseif(value)
        list(APPEND other_options ${option})
    endif()
endforeach()
if(NOT words)
    message(FATAL_ERROR "${SCAN} --help lists no options")
endif()

list(JOIN words " " words)
set(cases "")
foreach(kind folder file other)
    if(${kind}_options)
        list(JOIN ${kind}_options "|" pattern)
        set(action_folder "compopt -o filenames; mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")")
        set(action_file "compopt -o filenames; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")")
        set(action_other ":")
        string(APPEND cases "        ${pattern})\n            ${action_${kind}}\n            return\n            ;;\n")
    endif()
endforeach()

file(WRITE ${OUTPUT} "# bash completion for lanbrook-scan                   -*- shell-script -*-
# Made from lanbrook-scan --help when the program was built.

_lanbrook_scan()
{
    local cur=\${COMP_WORDS[COMP_CWORD]} prev=\${COMP_WORDS[COMP_CWORD - 1]} i
    COMPREPLY=()
    case $prev in
${cases}    esac
    # After a lone --, every word is a folder.
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ \${COMP_WORDS[i]} == -- ]] && break
    done
    if [[ $cur == -* && $i -eq $COMP_CWORD ]]; then
        mapfile -t COMPREPLY < <(compgen -W \"${words}\" -- \"$cur\")
        return
    fi
    compopt -o filenames
    mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")
}
complete -F _lanbrook_scan lanbrook-scan
")
