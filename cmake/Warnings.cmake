# The project's warnings, for its own targets only: each of them links
# quill::warnings privately. GoogleTest, Google Benchmark and the system's
# headers are not ours and get none of them. With QUILL_WERROR every warning
# is an error (the test command builds that way).
include_guard(GLOBAL)

option(QUILL_WERROR "Treat the project's compiler warnings as errors" OFF)

add_library(quill_warnings INTERFACE)
add_library(quill::warnings ALIAS quill_warnings)
# C++ only: the resource compiler takes none of these.
if(MSVC)
  # The sources are UTF-8 (Japanese texts in the literals).
  target_compile_options(quill_warnings INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:/W4;/permissive-;/utf-8>
    $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<BOOL:${QUILL_WERROR}>>:/WX>)
else()
  target_compile_options(quill_warnings INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall;-Wextra;-Wpedantic;-Wshadow;-Wconversion;-Wsign-conversion;-Wold-style-cast>
    $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<BOOL:${QUILL_WERROR}>>:-Werror>)
endif()
