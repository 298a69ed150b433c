# Builds Selvaro.exe once more in a new build tree with the same toolchain and checks that it is
# byte for byte the file the main build made: no time stamp or build path may reach the executable.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DTOOLCHAIN_FILE=.../mingw-i686.cmake
#         -DREFERENCE=.../Selvaro.exe -P check_reproducible.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}"
          -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}
          -DCMAKE_BUILD_TYPE=Release -DSELVARO_GTEST_SOURCE=none
  OUTPUT_QUIET RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the second build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build "${WORK_DIR}" --target Selvaro --parallel 2
                OUTPUT_QUIET RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "the second build failed")
endif()
file(SHA256 "${REFERENCE}" first)
file(SHA256 "${WORK_DIR}/bin/Selvaro.exe" second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two builds differ: ${first} and ${second}")
endif()
message(STATUS "both builds of ${REFERENCE} are ${first}")
file(REMOVE_RECURSE "${WORK_DIR}")
