# GoogleTest built from the Debian source package (/usr/src/googletest) with the
# project's compiler, so that it also serves the mingw-w64 cross build, where no
# prebuilt library fits. Provides the targets GTest::gtest, GTest::gtest_main,
# GTest::gmock and GTest::gmock_main. Include it from any directory that needs them.
include_guard(GLOBAL)

set(QUILL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${QUILL_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${QUILL_GTEST_SOURCE_DIR} "
                      "(Debian: apt-get install googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest with the project" FORCE)
add_subdirectory(${QUILL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)

foreach(lib gtest gtest_main gmock gmock_main)
  if(TARGET ${lib})
    # Its headers are not ours: keep them out of the project's warnings.
    get_target_property(dirs ${lib} INTERFACE_INCLUDE_DIRECTORIES)
    set_target_properties(${lib} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${dirs}")
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endif()
endforeach()
