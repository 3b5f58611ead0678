# Installs the Windows build into PREFIX (emptied first) and checks the program
# folder: Quillmark.exe and xdoc2txt.exe (Windows programs), the Linux converter
# as the executable linux/xdoc2txt, and nothing else at the top: no tests, no
# test helpers.
#
#   cmake -DBUILD_DIR=... -DPREFIX=... -P program_folder_test.cmake
foreach(var BUILD_DIR PREFIX)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(failures "")
# Fails unless file starts with the bytes given in hex.
function(expect_magic file hex what)
  if(NOT EXISTS "${PREFIX}/${file}" OR IS_DIRECTORY "${PREFIX}/${file}")
    list(APPEND failures "${file} is missing")
  else()
    string(LENGTH "${hex}" digits)
    math(EXPR bytes "${digits} / 2")
    file(READ "${PREFIX}/${file}" head LIMIT ${bytes} HEX)
    if(NOT head STREQUAL hex)
      list(APPEND failures "${file} is no ${what} (starts with ${head})")
    endif()
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

expect_magic(Quillmark.exe 4d5a "Windows program")
expect_magic(xdoc2txt.exe 4d5a "Windows program")
expect_magic(linux/xdoc2txt 7f454c46 "Linux program")
execute_process(COMMAND test -x "${PREFIX}/linux/xdoc2txt" RESULT_VARIABLE not_executable)
if(not_executable)
  list(APPEND failures "linux/xdoc2txt is not executable")
else()
  # It runs here, on the build machine, from the folder.
  execute_process(COMMAND "${PREFIX}/linux/xdoc2txt" --help RESULT_VARIABLE help_result
                  OUTPUT_QUIET ERROR_VARIABLE help_error)
  if(NOT help_result EQUAL 0)
    list(APPEND failures "linux/xdoc2txt --help failed (${help_result}): ${help_error}")
  endif()
endif()
set(expected_top Quillmark.exe linux xdoc2txt.exe)

file(GLOB top RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT top)
if(NOT top STREQUAL expected_top)
  list(APPEND failures "the folder holds [${top}], expected [${expected_top}]")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "program folder ${PREFIX}:\n  ${text}")
endif()
message(STATUS "program folder ${PREFIX}: ${top}")
