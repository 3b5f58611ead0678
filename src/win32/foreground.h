#pragma once
// Bringing a window to the foreground even where the system's foreground lock
// would refuse a plain request.

#include <windows.h>

#include <optional>

namespace quill::win32 {

// The USER32 calls that foreground forcing makes: the system's own in the
// program (User32Foreground), a model of Windows' documented rules in the
// tests.
class ForegroundCalls {
public:
    virtual ~ForegroundCalls() = default;
    [[nodiscard]] virtual HWND foregroundWindow() = 0;
    // The thread that made the window; 0 for no window.
    [[nodiscard]] virtual DWORD windowThread(HWND window) = 0;
    virtual void attachThreadInput(DWORD from, DWORD to, bool attach) = 0;
    // The foreground lock time-out in ms; nothing when it cannot be read.
    [[nodiscard]] virtual std::optional<DWORD> lockTimeout() = 0;
    virtual void setLockTimeout(DWORD milliseconds) = 0;
    virtual void setForegroundWindow(HWND window) = 0;
};

class User32Foreground final : public ForegroundCalls {
public:
    HWND foregroundWindow() override { return ::GetForegroundWindow(); }
    DWORD windowThread(HWND window) override { return ::GetWindowThreadProcessId(window, nullptr); }
    void attachThreadInput(DWORD from, DWORD to, bool attach) override;
    std::optional<DWORD> lockTimeout() override;
    void setLockTimeout(DWORD milliseconds) override;
    void setForegroundWindow(HWND window) override;
};

// Attaches the input of uiThread (the program's window thread) to the thread
// of the foreground window, unless that is uiThread itself; sets the
// foreground lock time-out to 0 for the one request to bring the window
// forward, then puts back the time-out the user had and, last, detaches. A
// time-out that cannot be read is left as it is. Nothing is reported: the
// caller looks at the foreground window to see whether the request landed.
void forceForeground(ForegroundCalls& calls, DWORD uiThread, HWND window);

}  // namespace quill::win32
