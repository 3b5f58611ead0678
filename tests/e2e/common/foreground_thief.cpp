#include "foreground_thief.h"

#include "win_raii.h"
#include "win_util.h"

namespace quill::e2e {

namespace {
// What the hook procedure needs; a hook gets no context of its own.
struct Theft {
    HWND to = nullptr;
    ForegroundThief::Pick pick;
    std::atomic<bool> struck{false};
};
Theft gTheft;

LRESULT CALLBACK steal(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && !gTheft.struck &&
        gTheft.pick(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam))) {
        gTheft.struck = true;
        SetForegroundWindow(gTheft.to);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
}  // namespace

ForegroundThief::ForegroundThief(HWND to, Pick pick) {
    gTheft.to = to;
    gTheft.pick = std::move(pick);
    gTheft.struck = false;
    thread_ = std::thread([this] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
        threadId_ = GetCurrentThreadId();
        UniqueHook hook(SetWindowsHookExW(WH_KEYBOARD_LL, steal, GetModuleHandleW(nullptr), 0));
        state_ = hook.get() ? 1 : -1;
        if (!hook.get()) return;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    });
    (void)pollUntil([&] { return state_ != 0; }, 20000);
}

ForegroundThief::~ForegroundThief() {
    if (state_ == 1) PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    gTheft.pick = nullptr;
}

bool ForegroundThief::struck() const {
    return gTheft.struck;
}

}  // namespace quill::e2e
