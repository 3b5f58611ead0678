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
        ADD_FAILURE() << "cannot create " << toUtf8(path_) << ": error " << GetLastError();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::wstring TempDir::subdir(std::wstring_view name) const {
    std::wstring dir = path_ + L"\\" + std::wstring(name);
    if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        ADD_FAILURE() << "cannot create " << toUtf8(dir);
    return dir;
}

std::optional<DWORD> Process::wait(DWORD timeoutMs) const {
    if (!valid() || WaitForSingleObject(handle_.get(), timeoutMs) != WAIT_OBJECT_0)
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

Process start(const std::wstring& commandLine, Console console, const std::wstring& cwd) {
    std::wstring cmd = commandLine;
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
        ADD_FAILURE() << "cannot start " << toUtf8(commandLine) << ": error " << error;
        return {};
    }
    CloseHandle(pi.hThread);
    return Process(pi.hProcess, pi.dwProcessId);
}

std::optional<DWORD> run(const std::wstring& commandLine, Console console, DWORD timeoutMs) {
    const Process p = start(commandLine, console);
    const auto code = p.wait(timeoutMs);
    if (!code) {
        ADD_FAILURE() << "did not end in time: " << toUtf8(commandLine);
        p.kill();
    }
    return code;
}

std::wstring converterCommand(const std::wstring& folder, const std::wstring& source) {
    return L"\"" + folder + L"\\xdoc2txt\" -f \"" + source + L"\"";
}

std::wstring cmdC(const std::wstring& command) {
    return L"cmd.exe /s /c \"" + command + L"\"";
}

std::wstring helperPath(std::wstring_view exeName) {
    return exeDir() + std::wstring(exeName);
}

std::set<HWND> consoleWindows() {
    std::set<HWND> found;
    EnumWindows(
        [](HWND hwnd, LPARAM out) -> BOOL {
            if (IsWindowVisible(hwnd) && isConsoleWindow(hwnd))
                reinterpret_cast<std::set<HWND>*>(out)->insert(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND waitForNewConsole(const std::set<HWND>& before, DWORD timeoutMs) {
    HWND found = nullptr;
    (void)pollUntil(
        [&] {
            for (HWND h : consoleWindows())
                if (!before.contains(h)) found = h;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool bringToForeground(HWND hwnd, DWORD timeoutMs) {
    // The change lands asynchronously under Wine; ask again now and then.
    unsigned tries = 0;
    return pollUntil(
        [&] {
            if (GetForegroundWindow() == hwnd) return true;
            if (tries++ % 25 == 0) SetForegroundWindow(hwnd);
            return false;
        },
        timeoutMs);
}

HWND clipboardOwner() {
    static const UniqueWindow window(CreateWindowExW(0, L"STATIC", L"clipboard owner", 0, 0, 0, 0,
                                                     0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    return window.get();
}

bool putOnClipboard(const std::wstring& text) {
    return setClipboardText(text, clipboardOwner());
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

void sendAltSpaceEP() {
    INPUT keys[] = {key(VK_MENU, true),  key(VK_SPACE, true), key(VK_SPACE, false),
                    key(VK_MENU, false), key('E', true),      key('E', false),
                    key('P', true),      key('P', false)};
    SendInput(static_cast<UINT>(std::size(keys)), keys, sizeof(INPUT));
}

void sendEnter() {
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

std::vector<std::wstring> readUtf8Lines(const std::wstring& path) {
    std::vector<std::wstring> lines;
    const std::wstring text = fromUtf8(readFileBytes(path).value_or(""));
    size_t start = 0;
    for (size_t lf; (lf = text.find(L'\n', start)) != std::wstring::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::set<std::wstring> fileNames(const std::wstring& folder) {
    std::set<std::wstring> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.insert(entry.path().filename().wstring());
    return names;
}

std::string wineUnixPath(const std::wstring& path) {
    using UnixName = char*(__cdecl*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

Process startPasteHelper(const std::wstring& log) {
    if (!win32::runningOnWine()) return {};
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, L"QuillmarkPasteHelperReady"));
    Process helper = start(
        quoteArg(helperPath(L"paste_helper.exe")) + L" --log " + quoteArg(log), Console::none);
    if (!helper.valid()) return helper;
    const HANDLE both[] = {ready.get(), helper.handle()};
    if (WaitForMultipleObjects(2, both, FALSE, kPatience) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "paste_helper did not get ready";
        helper.kill();
        return {};
    }
    return helper;
}

void stopPasteHelper(Process& helper) {
    if (!helper.valid()) return;
    UniqueHandle stop(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"QuillmarkPasteHelperStop"));
    if (stop) SetEvent(stop.get());
    EXPECT_EQ(helper.wait(), 0u) << "paste_helper did not stop cleanly";
    helper.kill();
}

}  // namespace quill::e2e::test
