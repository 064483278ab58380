# Runs "rvrules perft DEPTH" and requires the usage text and exit code 2, not a count.
execute_process(COMMAND ${RVRULES} perft ${DEPTH} OUTPUT_VARIABLE output ERROR_VARIABLE errors
                RESULT_VARIABLE result TIMEOUT 20)
if(NOT result EQUAL 2 OR NOT errors MATCHES "^usage: rvrules perft DEPTH" OR NOT output STREQUAL "")
  message(FATAL_ERROR "rvrules perft ${DEPTH} gave ${result}, printed '${output}', '${errors}'")
endif()
