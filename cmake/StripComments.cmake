# Run by CPack on the staged files before it packs them: strip keeps the .comment and .note
# sections, which Debian's own packaging tools remove from every program.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file ${staged})
    if(file MATCHES "/bin/[^/]+$")
        execute_process(COMMAND "${CPACK_MSGKEEPER_OBJCOPY}" --remove-section=.comment
            --remove-section=.note "${file}" RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "cannot remove the comment sections of ${file}")
        endif()
    endif()
endforeach()
