#pragma once
// Text at the edge of the Win32 API. The program keeps its text as UTF-16 in
// char16_t (std::u16string); the API takes wchar_t, which on Windows is the
// same 16-bit UTF-16 unit. Text crosses between the two only through these.

#include <string>
#include <string_view>

namespace quill::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 units");

// A wide copy, NUL-terminated for calls that take a C string:
// ::SetWindowTextW(window, toWide(text).c_str()).
[[nodiscard]] inline std::wstring toWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

// Wide text from the API as the program's text.
[[nodiscard]] inline std::u16string fromWide(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

// The same units, for calls that read or fill a counted buffer in place.
[[nodiscard]] inline const wchar_t* asWide(const char16_t* units) noexcept {
    return reinterpret_cast<const wchar_t*>(units);
}
[[nodiscard]] inline wchar_t* asWide(char16_t* units) noexcept {
    return reinterpret_cast<wchar_t*>(units);
}

}  // namespace quill::win32
