#include "system_log.h"

#include <cwchar>

namespace quill::win32 {

void logLastError(const wchar_t* call) noexcept {
    const DWORD error = ::GetLastError();
    wchar_t line[160];
    std::swprintf(line, sizeof line / sizeof line[0], L"Quillmark: %ls failed: error %lu\n", call,
                  static_cast<unsigned long>(error));
    ::OutputDebugStringW(line);
    ::SetLastError(error);
}

}  // namespace quill::win32
