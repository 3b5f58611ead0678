#pragma once
// The message loop, and the waits that keep the window responsive: pending
// messages are dispatched while they wait.

#include <windows.h>

namespace quill::win32 {

// Dispatches one message, letting the dialog keys (Tab, space on a focused
// button) work in the window.
void dispatch(MSG& message, HWND dialog);

// Dispatches every pending message. A quit request ends the pumping and is
// posted again for the outer loop; returns false then.
bool pumpPending(HWND dialog);

// Runs until the quit request; returns its exit code.
int runMessageLoop(HWND dialog);

// Waits up to milliseconds, pumping messages meanwhile, until the object
// (if any) is signalled or stillWaiting() turns false. True when the object
// was signalled.
template <class StillWaiting>
bool waitPumping(HANDLE object, DWORD milliseconds, HWND dialog, StillWaiting&& stillWaiting) {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    for (;;) {
        if (!pumpPending(dialog) || !stillWaiting()) return false;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return false;
        const auto left = static_cast<DWORD>(deadline - now);
        const DWORD count = object ? 1 : 0;
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, object ? &object : nullptr, left,
                                                         QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (object && woke == WAIT_OBJECT_0) return true;
        if (woke == WAIT_FAILED) return false;
    }
}

}  // namespace quill::win32
