# Runs a program and checks its exit code and standard output against a file.
#   cmake -DCOMMAND="prog|arg|arg" -DEXPECTED_CODE=0 [-DEXPECTED_OUTPUT=file] -P CheckOutput.cmake
# Without EXPECTED_OUTPUT the program must print nothing on standard output.
# With UPDATE_GOLDEN set in the environment, a differing EXPECTED_OUTPUT or
# PIXELS file is rewritten with what the program made instead.
# More checks, each optional:
#   -DEXPECTED_ERROR=regex  standard error is exactly one line, matching it
#   -DPICTURE=file          the picture (PNG, or GIF: its frames coalesced) the
#                           program wrote; its last frame must be
#   -DPIXELS=black          all black,
#   -DPIXELS=file           the pixels whose ImageMagick signature the file holds,
#   -DPIXELS=same           the pixels of REFERENCE_PICTURE, written by the
#                           -DREFERENCE="prog|arg|..." run
#   -DFRAMES=n              and it has n frames.
string(REPLACE "|" ";" COMMAND "${COMMAND}")
if(DEFINED PICTURE)
  file(REMOVE ${PICTURE} ${REFERENCE_PICTURE})  # no picture of an earlier run
endif()
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL EXPECTED_CODE)
  message(FATAL_ERROR "exit code ${code}, expected ${EXPECTED_CODE}\n${err}")
endif()

# Fails unless `actual` equals the text of `file`; UPDATE_GOLDEN rewrites the file.
function(expect_file_text actual file)
  set(expected "")
  if(file)
    file(READ ${file} expected)
  endif()
  if(actual STREQUAL expected)
    return()
  elseif(file AND DEFINED ENV{UPDATE_GOLDEN})
    file(WRITE ${file} "${actual}")
    return()
  endif()
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/actual-output.txt "${actual}")
  message(FATAL_ERROR "output differs from ${file}; actual in ${CMAKE_CURRENT_BINARY_DIR}/actual-output.txt")
endfunction()
expect_file_text("${out}" "${EXPECTED_OUTPUT}")

if(DEFINED EXPECTED_ERROR AND NOT err MATCHES "^${EXPECTED_ERROR}\n$")
  message(FATAL_ERROR "standard error is not one line matching \"${EXPECTED_ERROR}\":\n${err}")
endif()

# Reads the picture `file`: its number of frames, and its last frame's
# signature and brightest channel value.
function(read_picture file count signature brightest)
  execute_process(COMMAND convert ${file} -coalesce -format "%# %[max];" info:
    RESULT_VARIABLE failed OUTPUT_VARIABLE frames ERROR_VARIABLE err)
  if(failed OR NOT frames MATCHES "([0-9a-f]+) ([0-9]+);$")
    message(FATAL_ERROR "cannot read the picture ${file}: ${err}")
  endif()
  set(${signature} ${CMAKE_MATCH_1} PARENT_SCOPE)
  set(${brightest} ${CMAKE_MATCH_2} PARENT_SCOPE)
  string(REGEX REPLACE "[^;]" "" frames "${frames}")
  string(LENGTH "${frames}" frames)
  set(${count} ${frames} PARENT_SCOPE)
endfunction()

if(DEFINED PICTURE)
  read_picture(${PICTURE} count signature brightest)
  if(DEFINED FRAMES AND NOT count EQUAL FRAMES)
    message(FATAL_ERROR "${PICTURE} has ${count} frames, expected ${FRAMES}")
  endif()
  if(PIXELS STREQUAL "black")
    if(NOT brightest EQUAL 0)
      message(FATAL_ERROR "${PICTURE} is not all black")
    endif()
  elseif(PIXELS STREQUAL "same")
    string(REPLACE "|" ";" REFERENCE "${REFERENCE}")
    execute_process(COMMAND ${REFERENCE} RESULT_VARIABLE failed)
    read_picture(${REFERENCE_PICTURE} _ reference _)
    if(failed OR NOT signature STREQUAL reference)
      message(FATAL_ERROR "${PICTURE} differs from ${REFERENCE_PICTURE}")
    endif()
  else()
    expect_file_text("${signature}\n" ${PIXELS})
  endif()
endif()
