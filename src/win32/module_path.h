#pragma once
// The path of the running program's executable file.

#include <windows.h>

#include <string>

namespace quill::win32 {

// The full path of this program's executable file; empty when it cannot be had.
[[nodiscard]] inline std::wstring executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace quill::win32
