#pragma once
// Whether the program runs under Wine rather than on Windows.

#include <windows.h>

namespace quill::win32 {

// Wine's ntdll has an export that Windows' lacks.
[[nodiscard]] inline bool runningOnWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace quill::win32
