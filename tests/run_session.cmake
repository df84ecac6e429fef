# Runs one golden session through the batch driver and compares the output.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(args --batch --timeout 20)
# NAME.args: extra batch options, separated by blanks (e.g. --keys).
if(EXISTS ${DIR}/${NAME}.args)
    file(READ ${DIR}/${NAME}.args extra)
    string(STRIP "${extra}" extra)
    separate_arguments(extra UNIX_COMMAND "${extra}")
    list(APPEND args ${extra})
endif()
# NAME.bas runs as the program file, from a copy in the work directory,
# since the current directory follows the program file.
if(EXISTS ${DIR}/${NAME}.bas)
    file(COPY ${DIR}/${NAME}.bas DESTINATION ${WORK})
    list(APPEND args ${WORK}/${NAME}.bas)
endif()
# COM ports lead nowhere, whatever serial hardware the machine has.
foreach(n RANGE 1 9)
    set(ENV{TARNWICK_COM${n}} ${WORK}/no-such-port)
endforeach()
execute_process(COMMAND ${TARNWICK} ${args}
                INPUT_FILE ${DIR}/${NAME}.in
                OUTPUT_VARIABLE out
                ERROR_VARIABLE errout
                RESULT_VARIABLE code
                WORKING_DIRECTORY ${WORK})
set(expected_code 0)
if(EXISTS ${DIR}/${NAME}.code)
    file(READ ${DIR}/${NAME}.code expected_code)
    string(STRIP "${expected_code}" expected_code)
endif()
file(READ ${DIR}/${NAME}.out expected)
if(NOT out STREQUAL expected)
    file(WRITE ${WORK}/actual.out "${out}")
    execute_process(COMMAND diff -u ${DIR}/${NAME}.out ${WORK}/actual.out OUTPUT_VARIABLE d)
    message(FATAL_ERROR "output differs for ${NAME}:\n${d}\nstderr:\n${errout}")
endif()
if(NOT code STREQUAL expected_code)
    message(FATAL_ERROR "exit code ${code}, expected ${expected_code} for ${NAME}\nstderr:\n${errout}")
endif()
