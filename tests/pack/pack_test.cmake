# Makes the test pack as the README says, with its package preset (here into
# OUT), unpacks it into a folder whose name has a space and Japanese in it,
# checks its files and runs its run-tests.cmd under Wine twice: quick tests of
# every program, which must pass, and then no tests in a pack missing a
# program, which must fail.
#
#   cmake -D CPACK=... -D SOURCE_DIR=... -D BUILD_DIR=... -D OUT=... -D ZIP=name.zip
#         -D "HELPERS=a.exe b.exe" -D OBJDUMP=... -D WINE_RUN=... -D FILTER=...
#         -P pack_test.cmake
cmake_policy(VERSION 3.25)
foreach(var CPACK SOURCE_DIR BUILD_DIR OUT ZIP HELPERS OBJDUMP WINE_RUN FILTER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} --preset windows-tests
                        --config ${BUILD_DIR}/CPackTestsConfig.cmake -B ${OUT}
                WORKING_DIRECTORY ${SOURCE_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB made RELATIVE ${OUT} ${OUT}/*.zip)
if(NOT result EQUAL 0 OR NOT made STREQUAL ZIP)
  message(FATAL_ERROR "cpack (${result}) made '${made}', not '${ZIP}':\n${log}")
endif()
set(pack "${OUT}/試験 pack")
file(MAKE_DIRECTORY ${pack})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${OUT}/${ZIP} WORKING_DIRECTORY ${pack}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not unpack ${ZIP}")
endif()

set(failures "")

# The programs run-tests.cmd runs, the programs they start, the release zip
# for package_test, and nothing else at the top.
file(STRINGS ${pack}/run-tests.cmd programs REGEX "^set \"programs=")
string(REGEX REPLACE "^set \"programs=(.*)\"$" "\\1" programs "${programs}")
separate_arguments(programs)
separate_arguments(helpers UNIX_COMMAND "${HELPERS}")
set(expected made run-tests.cmd ${helpers})
foreach(program ${programs})
  list(APPEND expected ${program}.exe)
endforeach()
list(SORT expected)
file(GLOB top RELATIVE ${pack} ${pack}/*)
list(SORT top)
if(NOT programs OR NOT top STREQUAL expected)
  list(APPEND failures "the pack holds '${top}', not '${expected}'")
endif()

# No runtime DLL that Windows lacks: mingw-w64's (libstdc++-6.dll,
# libgcc_s_seh-1.dll, libwinpthread-1.dll) would have to lie beside the programs.
foreach(file ${top})
  if(file MATCHES "\\.exe$")
    execute_process(COMMAND ${OBJDUMP} -p ${pack}/${file} OUTPUT_VARIABLE dump)
    string(REGEX MATCHALL "DLL Name: [lL][iI][bB][^\n]+" dlls "${dump}")
    foreach(dll ${dlls})
      string(REPLACE "DLL Name: " "" dll "${dll}")
      list(APPEND failures "${file} needs ${dll}, which the pack lacks")
    endforeach()
  endif()
endforeach()

# Runs run-tests.cmd under Wine with args; sets code and lines (its output).
function(run_tests)
  execute_process(COMMAND ${WINE_RUN} ${pack}/run-tests.cmd ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  # One list item a line (a ';' would split a line).
  string(REPLACE "\r" "" output "${output}")
  string(REPLACE ";" "," output "${output}")
  string(REPLACE "\n" ";" lines "${output}")
  set(code ${result} PARENT_SCOPE)
  set(lines "${lines}" PARENT_SCOPE)
  set(errors "${errors}" PARENT_SCOPE)
endfunction()

# Fails unless the last lines run-tests.cmd printed are these.
function(expect_summary why code expected_code)
  set(summary "${ARGN}")
  list(LENGTH summary count)
  list(FILTER lines EXCLUDE REGEX "^$")
  list(LENGTH lines all)
  if(all LESS count)
    set(last "${lines}")
  else()
    math(EXPR from "${all} - ${count}")
    list(SUBLIST lines ${from} ${count} last)
  endif()
  if(NOT code STREQUAL expected_code OR NOT last STREQUAL summary)
    string(REPLACE ";" "\n" shown "${lines}")
    string(JOIN "" failure "${why}: exit code ${code} and summary '${last}', "
                "not ${expected_code} and '${summary}':\n${shown}\n${errors}")
    set(failures ${failures} "${failure}" PARENT_SCOPE)
  endif()
endfunction()

set(all_pass "==== Summary")
set(one_missing "==== Summary")
foreach(program ${programs})
  list(APPEND all_pass "PASS  ${program}")
  if(program STREQUAL "package_test")
    list(APPEND one_missing "FAIL  ${program} (missing)")
  else()
    list(APPEND one_missing "PASS  ${program}")
  endif()
endforeach()

run_tests(--gtest_filter=${FILTER})
expect_summary("quick tests" "${code}" 0 ${all_pass} "ALL PASSED")
list(FILTER lines INCLUDE REGEX "^\\[  PASSED  \\] [1-9]")
list(LENGTH lines ran)
list(LENGTH programs count)
if(NOT ran EQUAL count)
  list(APPEND failures "quick tests: not every program ran a test")
endif()

file(REMOVE ${pack}/package_test.exe)
run_tests(--gtest_filter=-*)
expect_summary("package_test missing" "${code}" 1 ${one_missing} "1 FAILED")

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
message(STATUS "${ZIP}: ${top}")
