# The program's one version is the project's: project(quillmark VERSION a.b.c.d).
# Everything else is derived from it here: the version users see, major "."
# two-digit minor (1.5 shows as "1.05"), the release package's file name, and
# the header quillmark_version.h that the version resource and the tests include.
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(PROJECT_VERSION_${part} 0)
  endif()
endforeach()
if(PROJECT_VERSION_MINOR GREATER 99)
  message(FATAL_ERROR "The minor version ${PROJECT_VERSION_MINOR} is shown with two digits: at most 99")
endif()
if(PROJECT_VERSION_MINOR LESS 10)
  set(QUILL_DISPLAY_VERSION "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
  set(QUILL_DISPLAY_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
set(QUILL_PACKAGE_FILE_NAME "Quillmark-${QUILL_DISPLAY_VERSION}-win64")

set(QUILL_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
set(QUILL_VERSION_HEADER ${QUILL_GENERATED_DIR}/quillmark_version.h)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillmark_version.h.in ${QUILL_VERSION_HEADER} @ONLY)
add_library(quill_version INTERFACE)
target_include_directories(quill_version INTERFACE ${QUILL_GENERATED_DIR})
