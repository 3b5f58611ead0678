#include "key_guard.h"

#include <future>
#include <set>

#include "scoped.h"

namespace quill::win32 {

struct ForegroundKeyGuard::Judge {
    explicit Judge(HWND window)
        : target(window), judgedEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    const HWND target;
    std::set<DWORD> pressed;  // keys whose press went through; the hook thread's alone
    std::atomic<bool> heldBack{false};
    std::atomic<std::size_t> judged{0};
    const UniqueHandle judgedEvent;  // set after each judgement
};

namespace {
// A hook procedure gets no context of its own: the judge of the guard whose
// thread runs the hook.
thread_local ForegroundKeyGuard::Judge* t_judge = nullptr;

bool pass(ForegroundKeyGuard::Judge& judge, const KBDLLHOOKSTRUCT& key) {
    if ((key.flags & LLKHF_UP) != 0) return judge.pressed.erase(key.vkCode) > 0;
    if (judge.heldBack) return false;
    if (::GetForegroundWindow() != judge.target) {
        judge.heldBack = true;
        return false;
    }
    judge.pressed.insert(key.vkCode);
    return true;
}

LRESULT CALLBACK judgeKey(int code, WPARAM wParam, LPARAM lParam) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    ForegroundKeyGuard::Judge* judge = t_judge;
    if (code != HC_ACTION || judge == nullptr || (key->flags & LLKHF_INJECTED) == 0 ||
        key->dwExtraInfo != ForegroundKeyGuard::kKeyTag) {
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    // The other hooks first: one of them may make another window the
    // foreground window, and the key goes where the foreground is after them.
    const LRESULT next = ::CallNextHookEx(nullptr, code, wParam, lParam);
    const bool passes = pass(*judge, *key);
    ++judge->judged;
    ::SetEvent(judge->judgedEvent.get());
    return passes ? next : 1;
}
}  // namespace

ForegroundKeyGuard::ForegroundKeyGuard(HWND target) : judge_(std::make_unique<Judge>(target)) {
    if (!judge_->judgedEvent) return;
    std::promise<DWORD> ready;
    std::future<DWORD> started = ready.get_future();
    thread_ = std::thread([judge = judge_.get(), &ready] {
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's message queue
        t_judge = judge;
        const UniqueHook hook(
            ::SetWindowsHookExW(WH_KEYBOARD_LL, judgeKey, ::GetModuleHandleW(nullptr), 0));
        ready.set_value(hook ? ::GetCurrentThreadId() : 0);
        if (hook) {
            // The hook runs inside this loop.
            while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
        }
        t_judge = nullptr;
    });
    threadId_ = started.get();
}

ForegroundKeyGuard::~ForegroundKeyGuard() {
    if (!thread_.joinable()) return;
    if (threadId_ != 0) ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

bool ForegroundKeyGuard::waitJudged(std::size_t count, DWORD limitMs) const {
    const ULONGLONG deadline = ::GetTickCount64() + limitMs;
    while (judge_->judged < count) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return false;
        ::WaitForSingleObject(judge_->judgedEvent.get(), static_cast<DWORD>(deadline - now));
    }
    return true;
}

bool ForegroundKeyGuard::pressHeldBack() const noexcept {
    return judge_->heldBack;
}

}  // namespace quill::win32
