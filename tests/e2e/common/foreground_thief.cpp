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
Theft g_theft;

LRESULT CALLBACK steal(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && !g_theft.struck &&
        g_theft.pick(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam))) {
        g_theft.struck = true;
        SetForegroundWindow(g_theft.to);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
}  // namespace

ForegroundThief::ForegroundThief(HWND to, Pick pick) {
    g_theft.to = to;
    g_theft.pick = std::move(pick);
    g_theft.struck = false;
    thread_ = std::thread([this] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
        thread_id_ = GetCurrentThreadId();
        UniqueHook hook(SetWindowsHookExW(WH_KEYBOARD_LL, steal, GetModuleHandleW(nullptr), 0));
        state_ = hook.get() ? 1 : -1;
        if (!hook.get()) return;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    });
    (void)poll_until([&] { return state_ != 0; }, 20000);
}

ForegroundThief::~ForegroundThief() {
    if (state_ == 1) PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
    g_theft.pick = nullptr;
}

bool ForegroundThief::struck() const {
    return g_theft.struck;
}

}  // namespace quill::e2e
