// Drops files on Quillmark's window from another process, or clicks its buttons.
//
//   drop_driver --target text1|command2|form [--text] [--wait MS] -- PATH...
//   drop_driver --click command2|command3 [--wait MS]
//
// --target drags a CF_HDROP file list (wide DROPFILES) of the PATHs onto Text1,
// onto Command2, or onto a bare point of the window's client area. With --text
// the data object offers only CF_UNICODETEXT (the PATHs joined by CR LF) and no
// file list. --click posts BM_CLICK to the button, which works for the
// out-of-view Command3 too. --wait is how long to look for the window
// (class "QuillmarkForm1"); default 20000 ms.
//
// Wine carries a drag to another process only when DoDragDrop starts inside the
// source window's own WM_LBUTTONDOWN while the mouse is moved with SendInput.
// So the driver shows a small window, moves the mouse onto it and presses the
// button with SendInput; its WM_LBUTTONDOWN starts DoDragDrop while a second
// thread moves the mouse to the target, paced by DoDragDrop's calls back, and
// releases the button there.
//
// Exit codes: 0 dropped (DRAGDROP_S_DROP with an effect), 1 not dropped,
// 2 bad usage, 3 window or control not found, 4 set-up failed, 5 drag never began.

#include <windows.h>

#include <ole2.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "drop_source.h"
#include "quill_form.h"
#include "win_raii.h"
#include "win_util.h"

namespace {

using namespace quill::e2e;

constexpr wchar_t kDriverClass[] = L"QuillmarkDropDriver";
constexpr int kDriverSize = 48;
constexpr UINT_PTR kPressTimer = 1;
constexpr DWORD kPressTimeoutMs = 15000;

struct Options {
    std::wstring target;
    std::wstring click;
    bool text = false;
    DWORD waitMs = 20000;
    std::vector<std::wstring> paths;
};

bool parseOptions(int argc, wchar_t** argv, Options& o) {
    int i = 1;
    for (; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--target" && i + 1 < argc) {
            o.target = argv[++i];
        } else if (arg == L"--click" && i + 1 < argc) {
            o.click = argv[++i];
        } else if (arg == L"--text") {
            o.text = true;
        } else if (arg == L"--wait" && i + 1 < argc) {
            o.waitMs = wcstoul(argv[++i], nullptr, 10);
        } else if (arg == L"--") {
            ++i;
            break;
        } else if (arg.starts_with(L"--")) {
            return false;
        } else {
            break;
        }
    }
    for (; i < argc; ++i) o.paths.emplace_back(argv[i]);
    if (o.target.empty() == o.click.empty()) return false;
    if (!o.click.empty()) return o.click == L"command2" || o.click == L"command3";
    return (o.target == L"text1" || o.target == L"command2" || o.target == L"form") &&
           !o.paths.empty();
}

HWND findForm(DWORD waitMs) {
    HWND form = nullptr;
    (void)pollUntil(
        [&] {
            form = FindWindowW(form::kWindowClass, nullptr);
            return form && IsWindowVisible(form);
        },
        waitMs);
    return form;
}

RECT clientRectOf(HWND form, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A screen point on the target and the window that should be under it.
bool targetPoint(HWND form, const std::wstring& target, POINT& pt, HWND& expected) {
    if (target != L"form") {
        expected = GetDlgItem(form, target == L"text1" ? form::kText1 : form::kCommand2);
        if (!expected) return false;
        RECT r;
        GetWindowRect(expected, &r);
        pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return true;
    }
    // A bare point of the client area: below Command2 if there is room, else a margin.
    expected = form;
    RECT client;
    GetClientRect(form, &client);
    LONG below = client.bottom / 2;
    if (HWND command2 = GetDlgItem(form, form::kCommand2))
        below = (clientRectOf(form, command2).bottom + client.bottom) / 2;
    const POINT candidates[] = {{client.right / 2, below},
                                {client.right - 3, client.bottom / 2},
                                {3, client.bottom / 2},
                                {client.right / 2, 3}};
    for (POINT c : candidates) {
        if (c.y >= client.bottom || c.x >= client.right) continue;
        if (ChildWindowFromPointEx(form, c, CWP_SKIPINVISIBLE) != form) continue;
        pt = c;
        ClientToScreen(form, &pt);
        return true;
    }
    return false;
}

void sendMouse(DWORD flags, POINT at = {}) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        // Round up so that the mapping back to pixels lands on the pixel asked for.
        in.mi.dx = static_cast<LONG>((at.x * 65536LL + w - 1) / w);
        in.mi.dy = static_cast<LONG>((at.y * 65536LL + h - 1) / h);
    }
    SendInput(1, &in, sizeof in);
}

void moveMouse(POINT at) {
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at);
}

bool cursorAt(POINT want) {
    POINT now;
    return GetCursorPos(&now) && now.x == want.x && now.y == want.y;
}

// Runs on the mover thread while DoDragDrop runs on the window's thread.
void moveAndRelease(POINT from, POINT to, DropSource& source) {
    const auto waitForFeedback = [&](unsigned after) {
        (void)pollUntil([&] { return source.feedbacks > after || source.cancel; }, 5000, 5);
    };
    (void)pollUntil([&] { return source.queries > 0 || source.cancel; }, 10000, 5);
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps && !source.cancel; ++i) {
        const unsigned seen = source.feedbacks;
        moveMouse({from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps});
        waitForFeedback(seen);
    }
    // Step off and back so that DoDragDrop has seen the target under the final point.
    for (POINT p : {POINT{to.x + 1, to.y}, to}) {
        if (source.cancel) break;
        const unsigned seen = source.feedbacks;
        moveMouse(p);
        waitForFeedback(seen);
    }
    sendMouse(MOUSEEVENTF_LEFTUP);
}

struct DragState {
    DropData* data = nullptr;
    DropSource* source = nullptr;
    POINT from{}, to{};
    bool started = false;
    HRESULT result = E_FAIL;
    DWORD effect = DROPEFFECT_NONE;
};
DragState gDrag;

LRESULT CALLBACK driverProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            if (!gDrag.started) {
                gDrag.started = true;
                KillTimer(hwnd, kPressTimer);
                std::thread mover(moveAndRelease, gDrag.from, gDrag.to,
                                  std::ref(*gDrag.source));
                gDrag.result =
                    DoDragDrop(gDrag.data, gDrag.source,
                               DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &gDrag.effect);
                gDrag.source->cancel = true;
                mover.join();
                PostQuitMessage(0);
            }
            return 0;
        case WM_TIMER:
            if (wparam == kPressTimer) PostQuitMessage(0);
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        default:
            return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

int click(HWND form, const std::wstring& which) {
    HWND button = GetDlgItem(form, which == L"command2" ? form::kCommand2 : form::kCommand3);
    if (!button) {
        std::fwprintf(stderr, L"drop_driver: no %ls on the window\n", which.c_str());
        return 3;
    }
    // Posted, not sent: the click handler may run for a long time.
    return PostMessageW(button, BM_CLICK, 0, 0) ? 0 : 4;
}

// Makes sure that the target point shows the expected window.
void uncover(HWND form, POINT pt, HWND expected) {
    if (WindowFromPoint(pt) == expected) return;
    SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!pollUntil([&] { return WindowFromPoint(pt) == expected; }, 3000))
        std::fwprintf(stderr, L"drop_driver: warning: the target point is covered\n");
}

int drag(HWND form, const Options& o) {
    POINT to;
    HWND expected;
    if (!targetPoint(form, o.target, to, expected)) {
        std::fwprintf(stderr, L"drop_driver: no point for target %ls\n", o.target.c_str());
        return 3;
    }
    std::wstring joined;
    for (const auto& p : o.paths) joined += (joined.empty() ? L"" : L"\r\n") + p;
    // Declared before OleSession: OLE must release them before they go.
    DropData data(o.text ? CF_UNICODETEXT : CF_HDROP,
                  o.text ? DropData::unicodeText(joined) : DropData::fileList(o.paths));
    DropSource source;
    OleSession ole;
    if (!ole.ok()) return 4;
    uncover(form, to, expected);

    // The driver's own window goes to the screen half away from the target.
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const int x = to.x < sw / 2 ? sw - 2 * kDriverSize : kDriverSize;
    const int y = sh - 2 * kDriverSize;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = driverProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = kDriverClass;
    RegisterClassW(&wc);
    UniqueWindow window(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kDriverClass,
                                        L"drop driver", WS_POPUP | WS_VISIBLE, x, y, kDriverSize,
                                        kDriverSize, nullptr, nullptr, wc.hInstance, nullptr));
    if (!window.get()) return 4;
    const POINT from = {x + kDriverSize / 2, y + kDriverSize / 2};
    if (!pollUntil([&] { return WindowFromPoint(from) == window.get(); }, 5000)) {
        std::fwprintf(stderr, L"drop_driver: own window did not show\n");
        return 4;
    }
    moveMouse(from);
    if (!pollUntil([&] { return cursorAt(from); }, 5000)) {
        std::fwprintf(stderr, L"drop_driver: the mouse did not reach the driver window\n");
        return 4;
    }

    gDrag.data = &data;
    gDrag.source = &source;
    gDrag.from = from;
    gDrag.to = to;
    SetTimer(window.get(), kPressTimer, kPressTimeoutMs, nullptr);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!gDrag.started) {
        sendMouse(MOUSEEVENTF_LEFTUP);
        std::fwprintf(stderr, L"drop_driver: the button press never reached the driver window\n");
        return 5;
    }
    const bool dropped = gDrag.result == DRAGDROP_S_DROP && gDrag.effect != DROPEFFECT_NONE;
    std::wprintf(L"drop_driver: DoDragDrop 0x%08lX, effect %lu, %ls\n",
                 static_cast<unsigned long>(gDrag.result), gDrag.effect,
                 dropped ? L"dropped" : L"not dropped");
    return dropped ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    if (!parseOptions(argc, argv, o)) {
        std::fwprintf(stderr,
                      L"usage: drop_driver --target text1|command2|form [--text] [--wait MS] -- "
                      L"PATH...\n"
                      L"       drop_driver --click command2|command3 [--wait MS]\n");
        return 2;
    }
    HWND form = findForm(o.waitMs);
    if (!form) {
        std::fwprintf(stderr, L"drop_driver: no visible window of class %ls\n", form::kWindowClass);
        return 3;
    }
    return o.click.empty() ? drag(form, o) : click(form, o.click);
}
