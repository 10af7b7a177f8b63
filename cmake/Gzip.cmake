# Compresses one file as Debian's packages do: gzip -9n, without the name or time of the source,
# so that the same input always gives the same bytes. Run with -DIN=file -DOUT=file.gz -P.
execute_process(COMMAND gzip -9n -c "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${OUT}")
    message(FATAL_ERROR "gzip failed on ${IN}")
endif()
