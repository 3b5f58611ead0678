#pragma once
// Failures of system calls that the program goes on after, reported where a
// developer finds them: the debugger's output (OutputDebugStringW; DebugView
// shows it without one), as "Quillmark: <call> failed: error <n>".

#include <windows.h>

namespace quill::win32 {

// Reports the call's failure with the thread's last error.
void logLastError(const wchar_t* call) noexcept;

// The result, reported when it says the call failed (FALSE, or null).
template <class Result>
Result logIfFailed(Result result, const wchar_t* call) noexcept {
    if (!result) logLastError(call);
    return result;
}

}  // namespace quill::win32
