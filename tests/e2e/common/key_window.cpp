#include "key_window.h"

#include "win_util.h"

namespace quill::e2e {

KeyWindow::KeyWindow(const wchar_t* title) {
    static const ATOM kClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillKeyWindow";
        return RegisterClassW(&wc);
    }();
    (void)kClass;
    thread_ = std::thread([this, title] {
        const HWND window =
            CreateWindowExW(0, L"QuillKeyWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                            300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        hwnd_ = window;
        MSG message;
        while (window && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    });
    (void)pollUntil([&] { return hwnd_ != nullptr; }, 20000);
}

KeyWindow::~KeyWindow() {
    if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
}

void KeyWindow::clear() {
    const std::lock_guard lock(mutex_);
    keys_.clear();
}

std::vector<WPARAM> KeyWindow::presses() const {
    const std::lock_guard lock(mutex_);
    std::vector<WPARAM> out;
    for (const auto& [key, pressed] : keys_) {
        if (pressed && key != kSentinel) out.push_back(key);
    }
    return out;
}

bool KeyWindow::sawSentinel() const {
    const std::lock_guard lock(mutex_);
    for (const auto& [key, pressed] : keys_) {
        if (key == kSentinel && !pressed) return true;
    }
    return false;
}

LRESULT CALLBACK KeyWindow::proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<KeyWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            // Recorded only: no window menu opens on Alt+Space.
            if (self) {
                const std::lock_guard lock(self->mutex_);
                self->keys_.emplace_back(wparam, message == WM_KEYDOWN || message == WM_SYSKEYDOWN);
            }
            return 0;
        case WM_CHAR:
        case WM_SYSCHAR:
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace quill::e2e
