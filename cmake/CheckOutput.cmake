# Runs a program and checks its exit code and standard output against a file.
#   cmake -DCOMMAND="prog|arg|arg" -DEXPECTED_CODE=0 [-DEXPECTED_OUTPUT=file] -P CheckOutput.cmake
# Without EXPECTED_OUTPUT the program must print nothing on standard output.
string(REPLACE "|" ";" COMMAND "${COMMAND}")
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL EXPECTED_CODE)
  message(FATAL_ERROR "exit code ${code}, expected ${EXPECTED_CODE}\n${err}")
endif()
if(DEFINED EXPECTED_OUTPUT)
  file(READ ${EXPECTED_OUTPUT} expected)
else()
  set(expected "")
endif()
if(NOT out STREQUAL expected)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/actual-output.txt "${out}")
  message(FATAL_ERROR "output differs from ${EXPECTED_OUTPUT}; actual in "
                      "${CMAKE_CURRENT_BINARY_DIR}/actual-output.txt")
endif()
