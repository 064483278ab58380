# Feeds INPUT to "rvrules play" and compares its output with EXPECTED.
execute_process(COMMAND ${RVRULES} play INPUT_FILE ${INPUT} OUTPUT_VARIABLE output RESULT_VARIABLE result)
file(READ ${EXPECTED} expected)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "rvrules play exited with ${result}")
endif()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "rvrules play printed:\n${output}\nexpected:\n${expected}")
endif()
