// A window shaped like Quillmark's main window that records what reaches it, so
// that drop_driver can be tested without Quillmark.
//
//   drop_target_probe --log FILE
//
// Class "QuillmarkForm1" with Text1 (EDIT 101), Command2 (BUTTON 102) and
// Command3 (BUTTON 104, out of view) at Quillmark's sizes. The form, Text1 and
// Command2 each have their own IDropTarget that accepts CF_HDROP. The log gets
// one UTF-8 line per event:
//   drop <text1|command2|form>\t<path>\t<path>...
//   click <control id>
// Closing the window ends the program.

#include <windows.h>

#include <ole2.h>
#include <shellapi.h>

#include <atomic>
#include <string>

#include "quill_form.h"
#include "win_raii.h"
#include "win_util.h"

namespace {

using namespace quill::e2e;

std::wstring gLog;

void logLine(const std::wstring& line) {
    (void)appendFileBytes(gLog, toUtf8(line) + "\n");
}

// Lives in wWinMain's scope; RevokeDragDrop lets go of it before it is destroyed.
class ProbeTarget final : public IDropTarget {
public:
    explicit ProbeTarget(const wchar_t* name) : name_(name) {}
    ProbeTarget(const ProbeTarget&) = delete;
    ProbeTarget& operator=(const ProbeTarget&) = delete;
    virtual ~ProbeTarget() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC fe = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        hasFiles_ = data && data->QueryGetData(&fe) == S_OK;
        *effect = hasFiles_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = hasFiles_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        FORMATETC fe = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (!data || FAILED(data->GetData(&fe, &medium))) return S_OK;
        std::wstring line = L"drop " + name_;
        const auto drop = static_cast<HDROP>(medium.hGlobal);
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
            line += L"\t" + path;
        }
        ReleaseStgMedium(&medium);
        logLine(line);
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }

private:
    std::wstring name_;
    bool hasFiles_ = false;
    std::atomic<ULONG> refs_{1};
};

LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wparam) == BN_CLICKED) logLine(L"click " + std::to_wstring(LOWORD(wparam)));
            return 0;
        case WM_CLOSE:  // the window goes when wWinMain's scope ends, after RevokeDragDrop
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
           int h, int id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

// Registers a drop target for the scope.
class DropRegistration {
public:
    DropRegistration(HWND hwnd, IDropTarget* target)
        : hwnd_(hwnd), ok_(SUCCEEDED(RegisterDragDrop(hwnd, target))) {}
    DropRegistration(const DropRegistration&) = delete;
    DropRegistration& operator=(const DropRegistration&) = delete;
    ~DropRegistration() {
        if (ok_) RevokeDragDrop(hwnd_);
    }
    [[nodiscard]] bool ok() const { return ok_; }

private:
    HWND hwnd_;
    bool ok_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 3 && std::wstring(argv[1]) == L"--log") gLog = argv[2];
    LocalFree(argv);
    if (gLog.empty()) return 2;

    ProbeTarget formTarget(L"form"), text1Target(L"text1"), command2Target(L"command2");
    OleSession ole;
    if (!ole.ok()) return 4;

    WNDCLASSW wc = {};
    wc.lpfnWndProc = formProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = form::kWindowClass;
    RegisterClassW(&wc);
    UniqueWindow window(CreateWindowExW(
        0, form::kWindowClass, L"Form1", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        120, 120, form::kWindowW, form::kWindowH, nullptr, nullptr, instance, nullptr));
    HWND form = window.get();
    if (!form) return 4;
    HWND text1 = child(form, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, form::kText1X, form::kText1Y,
                       form::kText1W, form::kText1H, form::kText1);
    HWND command2 = child(form, L"BUTTON", L"Command2", BS_PUSHBUTTON, form::kCommand2X,
                          form::kCommand2Y, form::kCommand2W, form::kCommand2H, form::kCommand2);
    child(form, L"BUTTON", L"Command3", BS_PUSHBUTTON, form::kCommand2X, 200, form::kCommand2W,
          form::kCommand2H, form::kCommand3);

    DropRegistration onForm(form, &formTarget), onText1(text1, &text1Target),
        onCommand2(command2, &command2Target);
    if (!onForm.ok() || !onText1.ok() || !onCommand2.ok()) return 4;
    ShowWindow(form, show == SW_HIDE ? SW_SHOWNORMAL : show);
    UpdateWindow(form);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
