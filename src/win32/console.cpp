#include "console.h"

#include <cwchar>
#include <string_view>
#include <vector>

#include "on_wine.h"
#include "wide.h"

namespace quill::win32 {

namespace {
std::wstring systemDirectory() {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// A visible top-level window of the process, if it has one.
HWND windowOfProcess(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !::IsWindowVisible(window)) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

std::vector<std::u16string> environmentNames() {
    std::vector<std::u16string> names;
    wchar_t* const block = ::GetEnvironmentStringsW();
    if (!block) return names;
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring_view text(entry);
        const std::size_t equals = text.find(L'=', 1);
        names.push_back(fromWide(text.substr(0, equals)));
    }
    ::FreeEnvironmentStringsW(block);
    return names;
}

// Windows that run under Wine have no terminal application to hand consoles
// to, and their console host takes no command line.
std::wstring consoleCommandLine() {
    const std::wstring system = systemDirectory();
    const std::wstring host = system + L"\\conhost.exe";
    if (!runningOnWine() && !system.empty() &&
        ::GetFileAttributesW(host.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return L"\"" + host + L"\" cmd.exe";
    }
    return L"cmd.exe";
}

bool Console::start() {
    process_.reset();
    processId_ = 0;
    job_.reset(::CreateJobObjectW(nullptr, nullptr));
    std::wstring commandLine = consoleCommandLine();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    // Suspended until it is in the job, so that all it starts is in it too.
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_CONSOLE | CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &started)) {
        return false;
    }
    const UniqueHandle thread(started.hThread);
    process_.reset(started.hProcess);
    processId_ = started.dwProcessId;
    if (job_ && !::AssignProcessToJobObject(job_.get(), process_.get())) job_.reset();
    ::ResumeThread(thread.get());
    return true;
}

void Console::terminate() const {
    if (process_) ::TerminateProcess(process_.get(), 1);
}

bool Console::finished() const {
    if (!process_) return true;
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (job_ && ::QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation,
                                            &accounting, sizeof accounting, nullptr)) {
        return accounting.ActiveProcesses == 0;
    }
    return ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

HWND Console::window() const {
    if (!process_) return nullptr;
    // The console belongs to the started process: borrow it for a moment to
    // ask for its window. A process started through the console host owns
    // the window itself.
    HWND window = nullptr;
    // A window program has no console of its own; one it was started with
    // would keep it from attaching to another.
    ::FreeConsole();
    if (::AttachConsole(processId_)) {
        window = ::GetConsoleWindow();
        ::FreeConsole();
    }
    return window ? window : windowOfProcess(processId_);
}

}  // namespace quill::win32
