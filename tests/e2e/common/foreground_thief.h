// Another program taking the foreground in the middle of a keystroke batch.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

namespace quill::e2e {

// While it lives, a low-level keyboard hook of its own thread makes `to` the
// foreground window at the first key event that `pick` chooses, from inside
// the hook: without a guard, the rest of that SendInput batch then goes to
// `to`. One thief at a time.
class ForegroundThief {
public:
    using Pick = std::function<bool(const KBDLLHOOKSTRUCT& key)>;

    ForegroundThief(HWND to, Pick pick);
    ~ForegroundThief();
    ForegroundThief(const ForegroundThief&) = delete;
    ForegroundThief& operator=(const ForegroundThief&) = delete;

    [[nodiscard]] bool ok() const { return state_ == 1; }
    // It has made `to` the foreground window.
    [[nodiscard]] bool struck() const;

private:
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<int> state_{0};
};

}  // namespace quill::e2e
