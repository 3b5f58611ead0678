#include "foreground.h"

#include "scope_exit.h"
#include "system_log.h"

namespace quill::win32 {

void User32Foreground::attachThreadInput(DWORD from, DWORD to, bool attach) {
    // A thread without an input queue (a console's shell) cannot be attached
    // to: the lock time-out alone then carries the request.
    (void)logIfFailed(::AttachThreadInput(from, to, attach ? TRUE : FALSE), L"AttachThreadInput");
}

std::optional<DWORD> User32Foreground::lockTimeout() {
    DWORD timeout = 0;
    if (!logIfFailed(::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0),
                     L"SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT)")) {
        return std::nullopt;
    }
    return timeout;
}

void User32Foreground::setLockTimeout(DWORD milliseconds) {
    // The new time-out travels in the pointer argument itself; the change is
    // neither stored in the user's profile nor broadcast.
    (void)logIfFailed(
        ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                                reinterpret_cast<PVOID>(static_cast<UINT_PTR>(milliseconds)), 0),
        L"SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT)");
}

void User32Foreground::setForegroundWindow(HWND window) {
    // Refused where the foreground lock holds and neither way around it
    // worked: the caller sees the window is not in front.
    (void)logIfFailed(::SetForegroundWindow(window), L"SetForegroundWindow");
}

void forceForeground(ForegroundCalls& calls, DWORD uiThread, HWND window) {
    const DWORD foregroundThread = calls.windowThread(calls.foregroundWindow());
    const bool attach = foregroundThread != uiThread;
    if (attach) calls.attachThreadInput(uiThread, foregroundThread, true);
    const ScopeExit detach([&] {
        if (attach) calls.attachThreadInput(uiThread, foregroundThread, false);
    });

    const std::optional<DWORD> saved = calls.lockTimeout();
    if (saved) calls.setLockTimeout(0);
    calls.setForegroundWindow(window);
    if (saved) calls.setLockTimeout(*saved);
}

}  // namespace quill::win32
