// A window of another program, as far as keys go: it records every key it
// receives.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace quill::e2e {

// A top-level window on a thread of its own, as another program's window
// would be, that records the keys it receives and handles none.
class KeyWindow {
public:
    // Sent without a program's mark after other keys, it shows that they
    // have all been delivered; presses() leaves it out.
    static constexpr WPARAM kSentinel = VK_F24;

    explicit KeyWindow(const wchar_t* title);
    KeyWindow(const KeyWindow&) = delete;
    KeyWindow& operator=(const KeyWindow&) = delete;
    ~KeyWindow();

    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    void clear();
    // The keys pressed, in order, but the sentinel.
    [[nodiscard]] std::vector<WPARAM> presses() const;
    // The sentinel has been pressed and released.
    [[nodiscard]] bool sawSentinel() const;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    mutable std::mutex mutex_;
    std::vector<std::pair<WPARAM, bool>> keys_;  // (virtual key, pressed)
    std::atomic<HWND> hwnd_{nullptr};
    std::thread thread_;
};

}  // namespace quill::e2e
