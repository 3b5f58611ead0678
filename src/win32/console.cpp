#include "console.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string_view>
#include <vector>

#include "converter/console_lookup.h"
#include "on_wine.h"
#include "system_log.h"
#include "wide.h"

namespace quill::win32 {

namespace {
std::wstring systemDirectory() {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// What this system reports about the processes of a console's job.
class SystemReports final : public ConsoleReports {
public:
    explicit SystemReports(HANDLE job) : job_(job) {
        // A window program has no console of its own; one it was started
        // with would keep it from attaching to another.
        ::FreeConsole();
    }

    std::optional<std::vector<ProcessId>> jobProcesses() override {
        if (!job_) return std::nullopt;
        // The list's declared array has one element: the ids are read from a
        // buffer of the program's own size.
        constexpr std::size_t kHeader = offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList);
        constexpr std::size_t kMaxIds = 64;
        alignas(JOBOBJECT_BASIC_PROCESS_ID_LIST) unsigned char
            buffer[kHeader + kMaxIds * sizeof(ULONG_PTR)] = {};
        if (!::QueryInformationJobObject(job_, JobObjectBasicProcessIdList, buffer, sizeof buffer,
                                         nullptr)) {
            return std::nullopt;
        }
        DWORD listed = 0;
        std::memcpy(&listed,
                    buffer + offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, NumberOfProcessIdsInList),
                    sizeof listed);
        std::vector<ProcessId> ids;
        for (std::size_t i = 0; i < std::min<std::size_t>(listed, kMaxIds); ++i) {
            ULONG_PTR id = 0;
            std::memcpy(&id, buffer + kHeader + i * sizeof id, sizeof id);
            ids.push_back(static_cast<ProcessId>(id));
        }
        return ids;
    }

    WindowHandle consoleWindowOf(ProcessId process) override {
        if (!::AttachConsole(process)) return 0;
        const HWND window = ::GetConsoleWindow();
        ::FreeConsole();
        return reinterpret_cast<WindowHandle>(window);
    }

    std::vector<OwnedWindow> visibleWindows() override {
        std::vector<OwnedWindow> windows;
        ::EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                if (!::IsWindowVisible(window)) return TRUE;
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                reinterpret_cast<std::vector<OwnedWindow>*>(param)->push_back(
                    {reinterpret_cast<WindowHandle>(window), owner});
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        return windows;
    }

private:
    HANDLE job_;
};
}  // namespace

std::wstring consoleCommandLine(bool onWine, std::wstring_view systemFolder, bool hostPresent) {
    if (systemFolder.empty()) return L"cmd.exe";
    const std::wstring folder(systemFolder);
    if (!onWine && hostPresent) return L"\"" + folder + L"\\conhost.exe\" cmd.exe";
    return L"\"" + folder + L"\\cmd.exe\"";
}

std::wstring consoleCommandLine() {
    const std::wstring system = systemDirectory();
    const std::wstring host = system + L"\\conhost.exe";
    return consoleCommandLine(runningOnWine(), system,
                              ::GetFileAttributesW(host.c_str()) != INVALID_FILE_ATTRIBUTES);
}

std::vector<std::u16string> environmentNames() {
    std::vector<std::u16string> names;
    const UniqueEnvironmentBlock block(::GetEnvironmentStringsW());
    if (!block) return names;
    for (const wchar_t* entry = block.get(); *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const std::wstring_view text(entry);
        const std::size_t equals = text.find(L'=', 1);
        names.push_back(fromWide(text.substr(0, equals)));
    }
    return names;
}

bool Console::start() {
    started_.reset();
    shell_.reset();
    found_ = false;
    startedId_ = 0;
    job_.reset(::CreateJobObjectW(nullptr, nullptr));
    std::wstring commandLine = commandLine_;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    // Suspended until it is in the job, so that all it starts is in it too.
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_CONSOLE | CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &info)) {
        return false;
    }
    const UniqueHandle thread(info.hThread);
    started_.reset(info.hProcess);
    startedId_ = info.dwProcessId;
    if (job_ && !::AssignProcessToJobObject(job_.get(), started_.get())) job_.reset();
    if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) logLastError(L"ResumeThread");
    return true;
}

HWND Console::window() {
    if (!started_) return nullptr;
    SystemReports system(job_.get());
    const std::optional<ConsoleFound> found = findConsole(startedId_, system);
    if (!found) return nullptr;
    found_ = true;
    if (found->through != startedId_) {
        shell_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, found->through));
    }
    return reinterpret_cast<HWND>(found->window);
}

void Console::terminate() const {
    if (!started_) return;
    if (!found_ && job_) {
        (void)logIfFailed(::TerminateJobObject(job_.get(), 1), L"TerminateJobObject");
        return;
    }
    // The shell first, so that it runs no further command.
    if (shell_) (void)logIfFailed(::TerminateProcess(shell_.get(), 1), L"TerminateProcess");
    (void)logIfFailed(::TerminateProcess(started_.get(), 1), L"TerminateProcess");
}

bool Console::finished() const {
    if (!started_) return true;
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (job_ && ::QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation,
                                            &accounting, sizeof accounting, nullptr)) {
        return accounting.ActiveProcesses == 0;
    }
    return ::WaitForSingleObject(started_.get(), 0) == WAIT_OBJECT_0;
}

}  // namespace quill::win32
