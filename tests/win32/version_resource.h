#pragma once
// The check that a program file carries the version resource CMake makes from
// the project's version, read as Windows' file properties read it.

#include <string>

namespace quill::win32::test {

// The version as users see it, from the project's version numbers: major "."
// two-digit minor.
[[nodiscard]] std::wstring shownVersion();

// GoogleTest expectations: file and product version, the version as shown,
// product and internal name as quillmark_version.h has them, all in Japanese.
void expectProjectVersionResource(const std::wstring& program);

}  // namespace quill::win32::test
