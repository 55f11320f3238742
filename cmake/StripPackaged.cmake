# Run by CPack on the staged files of every package before they are packed: strips the programs as
# Debian's own tools do, debugging symbols and the compilers' .comment and .note sections removed.
# CPACK_QUILLMERE_STRIP is the strip program of the build.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
list(FILTER programs INCLUDE REGEX "/bin/[^/]+$")
if(NOT programs)
    message(FATAL_ERROR "no programs to strip in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
    execute_process(COMMAND ${CPACK_QUILLMERE_STRIP} --remove-section=.comment --remove-section=.note ${program}
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cannot strip ${program}")
    endif()
endforeach()
