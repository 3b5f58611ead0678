#pragma once
// One small base for a window class: the object pointer is stored with the
// window at WM_NCCREATE, and every later message goes to the object's
// handler. The object forgets its handle when the window is destroyed. The
// derived class destroys its window in its own destructor, while its members
// still stand for the messages that destruction sends.

#include <windows.h>

namespace quill::win32 {

template <class Derived>
class BaseWindow {
public:
    BaseWindow() = default;
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;
    virtual ~BaseWindow() = default;

    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

protected:
    // Registers the class once; the icon applies to that first call.
    static bool registerClass(HINSTANCE instance, const wchar_t* className, HICON icon) {
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof existing;
        if (::GetClassInfoExW(instance, className, &existing)) return true;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &BaseWindow::windowProc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hIconSm = icon;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className;
        return ::RegisterClassExW(&wc) != 0;
    }

    [[nodiscard]] bool createWindow(HINSTANCE instance, const wchar_t* className,
                                    const wchar_t* title, DWORD style, DWORD exStyle) {
        return ::CreateWindowExW(exStyle, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                                 this) != nullptr;
    }

    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        BaseWindow* self = nullptr;
        if (message == WM_NCCREATE) {
            self =
                static_cast<BaseWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<BaseWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        try {
            return self->handleMessage(message, wParam, lParam);
        } catch (...) {
            // Nothing may unwind through the system's message dispatch; the
            // message counts as handled.
            return 0;
        }
    }

    HWND hwnd_ = nullptr;
};

}  // namespace quill::win32
