# Makes the release zip as a user does, with CPack and the build's package
# configuration, into OUT, and unpacks it into OUT/unpacked.
#
#   cmake -D CPACK=... -D BUILD_DIR=... -D OUT=... -D ZIP=name.zip -P make_package.cmake
#
# The test pack's install (tests/pack) includes it with these variables set.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/unpacked)
execute_process(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT}
                RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result}):\n${log}")
endif()
# CPack's scratch folder is no part of what it made.
file(REMOVE_RECURSE ${OUT}/_CPack_Packages)
file(GLOB made RELATIVE ${OUT} ${OUT}/*.zip)
if(NOT made STREQUAL ZIP)
  message(FATAL_ERROR "cpack made '${made}', not '${ZIP}':\n${log}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${OUT}/${ZIP} WORKING_DIRECTORY ${OUT}/unpacked
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not unpack ${ZIP}")
endif()
message(STATUS "made and unpacked ${OUT}/${ZIP}")
