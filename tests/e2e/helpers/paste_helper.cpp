// Gives Wine's console the keyboard paste that Windows' console has.
//
// On Windows, Alt+Space, E, P in a console window opens its window menu, then
// Edit, then Paste, which types the clipboard's text into the console, each line
// end as one Enter. Wine's console ignores Alt+Space. This helper watches the
// keyboard with a low-level hook; when a console window is in the foreground and
// the keys Alt+Space, E, P arrive, it eats them, reads the clipboard's text and
// writes it into that console's input as key events, CR LF as one Enter. Other
// keys pass. The clipboard is left as it was.
//
// (Wine's own Edit > Paste, WM_COMMAND 274, would type an LF as a literal ^J,
// and rewriting the clipboard to drop the LFs stalls: under Wine, the console
// then waits up to 5 s for the clipboard's owner, the program under test, which
// sleeps between its keystrokes without pumping messages.)
//
//   paste_helper [--log FILE]                   run until stopped
//   paste_helper [--log FILE] --until-pid PID   ... or until process PID ends
//   paste_helper [--log FILE] -- PROGRAM ARGS   start PROGRAM, run until it ends,
//                                               exit with its exit code
//   paste_helper --stop                         stop the running helper
//
// Ready: the named event "QuillmarkPasteHelperReady" is set once the hook is in
// place. Stop: set the named event "QuillmarkPasteHelperStop", or send WM_CLOSE
// to its hidden window (class "QuillmarkPasteHelper"). Only one helper runs at a
// time (a second one exits with 3).
// --log appends one UTF-8 line per paste: the clipboard text as found, with CR
// and LF shown as <CR> and <LF>; or a line starting "error:" when it failed.

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "console_input.h"
#include "paste_keys.h"
#include "win_raii.h"
#include "win_util.h"

namespace {

using namespace quill::e2e;

constexpr wchar_t kReadyEvent[] = L"QuillmarkPasteHelperReady";
constexpr wchar_t kStopEvent[] = L"QuillmarkPasteHelperStop";
constexpr wchar_t kMutex[] = L"QuillmarkPasteHelper";
constexpr wchar_t kWindowClass[] = L"QuillmarkPasteHelper";
constexpr UINT kPasteMessage = WM_APP + 1;

PasteKeys gKeys;
std::wstring gLogPath;
HWND gWindow = nullptr;

LRESULT CALLBACK keyboardHook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
        const bool down = wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN;
        const HWND foreground = GetForegroundWindow();
        switch (gKeys.onKey(key->vkCode, key->scanCode, down, isConsoleWindow(foreground))) {
            case PasteKeys::Action::pass:
                break;
            case PasteKeys::Action::swallowAndPaste:
                // Reading the clipboard and typing happen outside the hook.
                PostMessageW(gWindow, kPasteMessage, 0, reinterpret_cast<LPARAM>(foreground));
                return 1;
            case PasteKeys::Action::swallow:
                return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void logLine(const std::wstring& line) {
    if (!gLogPath.empty()) (void)appendFileBytes(gLogPath, toUtf8(line) + "\n");
}

// This process attached, for the scope, to the console whose window is
// `console`, through one of the processes that use that console (conhost, which
// owns the window, is not one of them).
class ConsoleAttachment {
public:
    explicit ConsoleAttachment(HWND console) {
        FreeConsole();  // AttachConsole needs this process to have none
        DWORD hostPid = 0;
        GetWindowThreadProcessId(console, &hostPid);
        UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return;
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot.get(), &entry); more && !attached_;
             more = Process32NextW(snapshot.get(), &entry)) {
            const DWORD pid = entry.th32ProcessID;
            if (pid == GetCurrentProcessId() || pid == hostPid || !AttachConsole(pid)) continue;
            attached_ = GetConsoleWindow() == console;
            if (!attached_) FreeConsole();
        }
    }
    ConsoleAttachment(const ConsoleAttachment&) = delete;
    ConsoleAttachment& operator=(const ConsoleAttachment&) = delete;
    ~ConsoleAttachment() {
        if (attached_) FreeConsole();
    }
    [[nodiscard]] bool attached() const { return attached_; }

private:
    bool attached_ = false;
};

// Types the clipboard's text into the console's input, as its Edit > Paste does.
void pasteInto(HWND console) {
    const std::wstring text = getClipboardText(gWindow).value_or(L"");
    const std::wstring shown = escapeControls(text);
    if (!isConsoleWindow(console)) {
        logLine(L"error: the console lost the foreground before " + shown);
        return;
    }
    const ConsoleAttachment attachment(console);
    if (!attachment.attached()) {
        logLine(L"error: cannot attach to the console for " + shown);
        return;
    }
    const UniqueFile input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       0, nullptr));
    const std::vector<INPUT_RECORD> events = pasteKeyEvents(text);
    DWORD written = 0;
    const bool ok = input && (events.empty() ||
                              (WriteConsoleInputW(input.get(), events.data(),
                                                  static_cast<DWORD>(events.size()), &written) &&
                               written == events.size()));
    logLine(ok ? shown : L"error: cannot write to the console input for " + shown);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case kPasteMessage:
            pasteInto(reinterpret_cast<HWND>(lparam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
}

int stopRunningHelper() {
    UniqueHandle stop(OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEvent));
    if (!stop) {
        std::fwprintf(stderr, L"paste_helper: no helper is running\n");
        return 1;
    }
    SetEvent(stop.get());
    // The mutex disappears with the helper's last handle.
    const bool gone =
        pollUntil([] { return !UniqueHandle(OpenMutexW(SYNCHRONIZE, FALSE, kMutex)); }, 30000);
    return gone ? 0 : 1;
}

struct Options {
    std::wstring log;
    DWORD untilPid = 0;
    bool stop = false;
    std::wstring program;  // command line of the program to run, if any
    bool ok = true;
};

Options parseOptions(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--log" && i + 1 < argc) {
            o.log = argv[++i];
        } else if (arg == L"--until-pid" && i + 1 < argc) {
            o.untilPid = wcstoul(argv[++i], nullptr, 10);
        } else if (arg == L"--stop") {
            o.stop = true;
        } else if (arg == L"--" && i + 1 < argc) {
            for (++i; i < argc; ++i)
                o.program += (o.program.empty() ? L"" : L" ") + quoteArg(argv[i]);
        } else {
            o.ok = false;
        }
    }
    return o;
}

// Runs the message loop until one of the handles is signalled or the window closes.
void runUntil(const std::vector<HANDLE>& handles) {
    for (;;) {
        const DWORD r =
            MsgWaitForMultipleObjectsEx(static_cast<DWORD>(handles.size()), handles.data(),
                                        INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r < WAIT_OBJECT_0 + handles.size() || r == WAIT_FAILED) return;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Options options = parseOptions(argc, argv);
    if (!options.ok) {
        std::fwprintf(stderr,
                      L"usage: paste_helper [--log FILE] [--until-pid PID | -- PROGRAM ARGS...]\n"
                      L"       paste_helper --stop\n");
        return 2;
    }
    if (options.stop) return stopRunningHelper();
    gLogPath = options.log;

    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kMutex));
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        std::fwprintf(stderr, L"paste_helper: another helper is running\n");
        return 3;
    }
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
    UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, kStopEvent));
    if (!ready || !stop) return 4;
    ResetEvent(ready.get());
    ResetEvent(stop.get());

    WNDCLASSW wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    UniqueWindow window(CreateWindowExW(0, kWindowClass, L"Quillmark paste helper", WS_POPUP, 0, 0,
                                        0, 0, nullptr, nullptr, wc.hInstance, nullptr));
    gWindow = window.get();
    UniqueHook hook(SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, wc.hInstance, 0));
    if (!gWindow || !hook.get()) {
        std::fwprintf(stderr, L"paste_helper: cannot set up (error %lu)\n", GetLastError());
        return 4;
    }

    std::vector<HANDLE> waited{stop.get()};
    UniqueHandle watched;
    if (options.untilPid) {
        watched.reset(OpenProcess(SYNCHRONIZE, FALSE, options.untilPid));
        if (!watched) {
            std::fwprintf(stderr, L"paste_helper: no process %lu\n", options.untilPid);
            return 4;
        }
    }
    SetEvent(ready.get());
    if (!options.program.empty()) {
        std::wstring cmd = options.program;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        // Without this helper's console, as from the desktop: under Wine a GUI
        // program started plainly by a console program holds that console's
        // handles, and AttachConsole (Quillmark's way to its own console's
        // window) then fails with ERROR_ACCESS_DENIED.
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                            nullptr, &si, &pi)) {
            std::fwprintf(stderr, L"paste_helper: cannot start %ls (error %lu)\n", cmd.c_str(),
                          GetLastError());
            return 4;
        }
        UniqueHandle thread(pi.hThread);
        watched.reset(pi.hProcess);
    }
    if (watched) waited.push_back(watched.get());

    runUntil(waited);
    ResetEvent(ready.get());

    DWORD code = 0;
    if (!options.program.empty() && !GetExitCodeProcess(watched.get(), &code)) code = 4;
    return static_cast<int>(code);
}
