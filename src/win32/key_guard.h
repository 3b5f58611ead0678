#pragma once
// Keeps the program's synthetic key presses from reaching any window but one.
//
// A key sent with SendInput goes to whatever window is the foreground window
// when the system delivers it; a check made before the call can lose the
// race to another program that takes the foreground meanwhile. While a guard
// lives, a low-level keyboard hook of the program's own, on a thread of its
// own, judges each key event that the program injects (those marked with
// kKeyTag) at the last moment before delivery, after every other hook has
// seen it: a key press passes only while the target window is the foreground
// window. Once a press has been held back, every later press is held back
// too; releases pass only for keys whose press went through, so that no key
// stays down. Key events of the user and of other programs pass untouched.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>

namespace quill::win32 {

class ForegroundKeyGuard {
public:
    // The dwExtraInfo of the program's own injected key events.
    static constexpr ULONG_PTR kKeyTag = 0x51554C4D;

    explicit ForegroundKeyGuard(HWND target);
    ~ForegroundKeyGuard();
    ForegroundKeyGuard(const ForegroundKeyGuard&) = delete;
    ForegroundKeyGuard& operator=(const ForegroundKeyGuard&) = delete;

    // The hook is in place.
    [[nodiscard]] bool active() const noexcept { return threadId_ != 0; }
    // Waits until the hook has judged count of the program's key events, or
    // the limit has passed; true when it has.
    [[nodiscard]] bool waitJudged(std::size_t count, DWORD limitMs) const;
    // A key press was held back: the target was not the foreground window.
    [[nodiscard]] bool pressHeldBack() const noexcept;

    // The state the hook thread shares with the guard.
    struct Judge;

private:
    std::unique_ptr<Judge> judge_;
    std::thread thread_;
    DWORD threadId_ = 0;
};

}  // namespace quill::win32
