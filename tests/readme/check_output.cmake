# Runs PROGRAM and checks that it exits with 0 and writes exactly what the
# file EXPECTED holds.
execute_process(COMMAND "${PROGRAM}" OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${status}")
endif()
file(READ "${EXPECTED}" expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "${PROGRAM} wrote:\n${output}\nbut README.md says:\n${expected}")
endif()
