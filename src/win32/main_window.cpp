#include "main_window.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>

#include "hand_over.h"
#include "wide.h"

namespace quill::win32 {

namespace {
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

int windowDpi(HWND window) {
    const UINT dpi = ::GetDpiForWindow(window);
    return dpi ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}
}  // namespace

MainWindow::MainWindow(HINSTANCE instance, bool quitOnClose, Events events)
    : instance_(instance),
      quitOnClose_(quitOnClose),
      events_(std::move(events)),
      formTarget_([this](DropData data) { onDrop(DropOn::Form, std::move(data)); }),
      command2Target_([this](DropData data) { onDrop(DropOn::Command2, std::move(data)); }),
      text1Target_([this](DropData data) { onDrop(DropOn::Text1, std::move(data)); }) {}

MainWindow::~MainWindow() {
    destroy();
}

void MainWindow::destroy() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

bool MainWindow::create() {
    const HICON icon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));
    if (!registerClass(instance_, kClassName, icon)) return false;
    if (!createWindow(instance_, kClassName, L"", kWindowStyle, WS_EX_CONTROLPARENT)) return false;
    dpi_ = windowDpi(hwnd());
    if (!createControls()) return false;
    (void)formTarget_.registerFor(hwnd());
    (void)command2Target_.registerFor(control(layout::kCommand2));
    (void)text1Target_.registerFor(control(layout::kText1));
    return true;
}

void MainWindow::show(int showCommand) {
    ::ShowWindow(hwnd(), showCommand);
    ::UpdateWindow(hwnd());
}

bool MainWindow::createControls() {
    // The rich-text box comes from the rich edit library; an edit box stands
    // in where that is missing. It is working storage only.
    richEdit_.reset(::LoadLibraryW(L"Msftedit.dll"));
    const wchar_t* richTextClass = richEdit_ ? MSFTEDIT_CLASS : WC_EDITW;

    for (std::size_t i = 0; i < layout::kControls.size(); ++i) {
        const layout::Control& control = layout::kControls[i];
        const wchar_t* className = WC_EDITW;
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        DWORD exStyle = 0;
        switch (control.kind) {
            case layout::ControlKind::TextBox:
                style |= ES_AUTOHSCROLL;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case layout::ControlKind::Button:
                className = WC_BUTTONW;
                style |= BS_PUSHBUTTON;
                break;
            case layout::ControlKind::ListBox:
                className = WC_LISTBOXW;
                style |= WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case layout::ControlKind::RichText:
                className = richTextClass;
                style |= ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL;
                exStyle = WS_EX_CLIENTEDGE;
                break;
        }
        controls_[i] = ::CreateWindowExW(
            exStyle, className, L"", style, 0, 0, 0, 0, hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
        if (!controls_[i]) return false;
    }
    placeControls();
    applyFont();
    return true;
}

void MainWindow::placeControls() {
    for (std::size_t i = 0; i < layout::kControls.size(); ++i) {
        const layout::Control& control = layout::kControls[i];
        ::SetWindowPos(controls_[i], nullptr, twipsToPixels(control.left),
                       twipsToPixels(control.top), twipsToPixels(control.width),
                       twipsToPixels(control.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MainWindow::applyFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                      static_cast<UINT>(dpi_))) {
        return;
    }
    font_.reset(::CreateFontIndirectW(&metrics.lfMessageFont));
    for (HWND child : controls_) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
}

HWND MainWindow::control(layout::ControlId id) const {
    for (std::size_t i = 0; i < layout::kControls.size(); ++i) {
        if (layout::kControls[i].id == id) return controls_[i];
    }
    return nullptr;
}

DropTarget& MainWindow::dropTarget(DropOn target) {
    switch (target) {
        case DropOn::Command2:
            return command2Target_;
        case DropOn::Text1:
            return text1Target_;
        case DropOn::Form:
            break;
    }
    return formTarget_;
}

void MainWindow::onDrop(DropOn target, DropData data) {
    drops_.emplace_back(target, std::move(data));
    if (hwnd()) ::PostMessageW(hwnd(), kDeliverDrops, 0, 0);
}

void MainWindow::deliverDrops() {
    while (!drops_.empty() && hwnd()) {
        auto [target, data] = std::move(drops_.front());
        drops_.pop_front();
        events_.drop(target, std::move(data));
    }
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                if (LOWORD(wParam) == layout::kCommand2) events_.command2Click();
                if (LOWORD(wParam) == layout::kCommand3) events_.command3Click();
                return 0;
            }
            break;
        case kDeliverDrops:
            deliverDrops();
            return 0;
        case WM_COPYDATA: {
            // Files handed over by a later start: a drop on the window.
            std::optional<std::vector<std::u16string>> files = handedFiles(
                reinterpret_cast<HWND>(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
            if (!files || !standing()) return FALSE;
            onDrop(DropOn::Form, DropData{true, std::move(*files)});
            return TRUE;
        }
        case WM_CLOSE:
            events_.closeRequest();
            return 0;
        case WM_ENDSESSION:
            // Logging off or shutting down closes the window like any other
            // close request.
            if (wParam) events_.closeRequest();
            return 0;
        case WM_DESTROY:
            destroying_ = true;
            formTarget_.revoke();
            command2Target_.revoke();
            text1Target_.revoke();
            events_.unload();
            if (quitOnClose_) ::PostQuitMessage(0);
            return 0;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top,
                           suggested->right - suggested->left, suggested->bottom - suggested->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            placeControls();
            applyFont();
            return 0;
        }
        default:
            break;
    }
    return ::DefWindowProcW(hwnd(), message, wParam, lParam);
}

}  // namespace quill::win32
