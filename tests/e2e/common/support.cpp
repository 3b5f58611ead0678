#include "support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "on_wine.h"
#include "win_util.h"

namespace quill::e2e::test {

TempDir::TempDir(std::wstring_view name) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    path_ =
        std::wstring(temp, n) + std::wstring(name) + L" " + std::to_wstring(GetCurrentProcessId());
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    if (!CreateDirectoryW(path_.c_str(), nullptr))
        ADD_FAILURE() << "cannot create " << to_utf8(path_) << ": error " << GetLastError();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::wstring TempDir::subdir(std::wstring_view name) const {
    std::wstring dir = path_ + L"\\" + std::wstring(name);
    if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        ADD_FAILURE() << "cannot create " << to_utf8(dir);
    return dir;
}

std::optional<DWORD> Process::wait(DWORD timeout_ms) const {
    if (!valid() || WaitForSingleObject(handle_.get(), timeout_ms) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle_.get(), &code)) return std::nullopt;
    return code;
}

void Process::kill() const {
    if (valid() && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(handle_.get(), 99);
        WaitForSingleObject(handle_.get(), kPatience);
    }
}

Process start(const std::wstring& command_line, Console console, const std::wstring& cwd) {
    std::wstring cmd = command_line;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    DWORD flags = CREATE_UNICODE_ENVIRONMENT;
    if (console == Console::own) {
        flags |= CREATE_NEW_CONSOLE;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWNORMAL;
    } else if (console == Console::none) {
        flags |= CREATE_NO_WINDOW;
    } else if (console == Console::detached) {
        flags |= DETACHED_PROCESS;
    }
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        const DWORD error = GetLastError();
        ADD_FAILURE() << "cannot start " << to_utf8(command_line) << ": error " << error;
        return {};
    }
    CloseHandle(pi.hThread);
    return Process(pi.hProcess, pi.dwProcessId);
}

std::optional<DWORD> run(const std::wstring& command_line, Console console, DWORD timeout_ms) {
    const Process p = start(command_line, console);
    const auto code = p.wait(timeout_ms);
    if (!code) {
        ADD_FAILURE() << "did not end in time: " << to_utf8(command_line);
        p.kill();
    }
    return code;
}

std::wstring converter_command(const std::wstring& folder, const std::wstring& source) {
    return L"\"" + folder + L"\\xdoc2txt\" -f \"" + source + L"\"";
}

std::wstring cmd_c(const std::wstring& command) {
    return L"cmd.exe /s /c \"" + command + L"\"";
}

std::wstring helper_path(std::wstring_view exe_name) {
    return exe_dir() + std::wstring(exe_name);
}

std::set<HWND> console_windows() {
    std::set<HWND> found;
    EnumWindows(
        [](HWND hwnd, LPARAM out) -> BOOL {
            if (IsWindowVisible(hwnd) && is_console_window(hwnd))
                reinterpret_cast<std::set<HWND>*>(out)->insert(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND wait_for_new_console(const std::set<HWND>& before, DWORD timeout_ms) {
    HWND found = nullptr;
    (void)poll_until(
        [&] {
            for (HWND h : console_windows())
                if (!before.contains(h)) found = h;
            return found != nullptr;
        },
        timeout_ms);
    return found;
}

bool bring_to_foreground(HWND hwnd, DWORD timeout_ms) {
    // The change lands asynchronously under Wine; ask again now and then.
    unsigned tries = 0;
    return poll_until(
        [&] {
            if (GetForegroundWindow() == hwnd) return true;
            if (tries++ % 25 == 0) SetForegroundWindow(hwnd);
            return false;
        },
        timeout_ms);
}

HWND clipboard_owner() {
    static const UniqueWindow window(CreateWindowExW(0, L"STATIC", L"clipboard owner", 0, 0, 0, 0,
                                                     0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    return window.get();
}

bool put_on_clipboard(const std::wstring& text) {
    return set_clipboard_text(text, clipboard_owner());
}

namespace {
INPUT key(WORD vk, bool down) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    return in;
}
}  // namespace

void send_alt_space_e_p() {
    INPUT keys[] = {key(VK_MENU, true),  key(VK_SPACE, true), key(VK_SPACE, false),
                    key(VK_MENU, false), key('E', true),      key('E', false),
                    key('P', true),      key('P', false)};
    SendInput(static_cast<UINT>(std::size(keys)), keys, sizeof(INPUT));
}

void send_enter() {
    INPUT keys[] = {key(VK_RETURN, true), key(VK_RETURN, false)};
    SendInput(static_cast<UINT>(std::size(keys)), keys, sizeof(INPUT));
}

std::string cp932(std::wstring_view text) {
    const int n = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::vector<std::wstring> read_utf8_lines(const std::wstring& path) {
    std::vector<std::wstring> lines;
    const std::wstring text = from_utf8(read_file_bytes(path).value_or(""));
    size_t start = 0;
    for (size_t lf; (lf = text.find(L'\n', start)) != std::wstring::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

bool file_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::set<std::wstring> file_names(const std::wstring& folder) {
    std::set<std::wstring> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.insert(entry.path().filename().wstring());
    return names;
}

std::string wine_unix_path(const std::wstring& path) {
    using UnixName = char*(__cdecl*)(const wchar_t*);
    const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unix_name ? unix_name(path.c_str()) : nullptr;
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

Process start_paste_helper(const std::wstring& log) {
    if (!win32::runningOnWine()) return {};
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, L"QuillmarkPasteHelperReady"));
    Process helper = start(
        quote_arg(helper_path(L"paste_helper.exe")) + L" --log " + quote_arg(log), Console::none);
    if (!helper.valid()) return helper;
    const HANDLE both[] = {ready.get(), helper.handle()};
    if (WaitForMultipleObjects(2, both, FALSE, kPatience) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "paste_helper did not get ready";
        helper.kill();
        return {};
    }
    return helper;
}

void stop_paste_helper(Process& helper) {
    if (!helper.valid()) return;
    UniqueHandle stop(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"QuillmarkPasteHelperStop"));
    if (stop) SetEvent(stop.get());
    EXPECT_EQ(helper.wait(), 0u) << "paste_helper did not stop cleanly";
    helper.kill();
}

}  // namespace quill::e2e::test
