#include "hand_over.h"

#include <shellapi.h>


#include "intake/handed_files.h"
#include "main_window.h"
#include "scoped.h"
#include "system_log.h"
#include "wide.h"

namespace quill::win32 {

namespace {
constexpr const wchar_t* kInstanceProperty = L"Quillmark.RunningInstance";

HWND runningInstanceWindow() {
    HWND found = nullptr;
    ::EnumWindows(
        [](HWND window, LPARAM result) -> BOOL {
            wchar_t name[64] = {};
            if (::GetClassNameW(window, name, 64) == 0 ||
                std::wstring_view(name) != MainWindow::kClassName ||
                ::GetPropW(window, kInstanceProperty) == nullptr) {
                return TRUE;
            }
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

void markRunningInstance(HWND window) {
    // Without the mark a later start cannot hand its files over.
    (void)logIfFailed(::SetPropW(window, kInstanceProperty, reinterpret_cast<HANDLE>(1)),
                      L"SetPropW");
}

std::optional<ProcessIdentity> ProcessIdentity::of(DWORD processId) {
    const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE rawToken = nullptr;
    if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, &rawToken)) return std::nullopt;
    const UniqueHandle token(rawToken);
    DWORD size = 0;
    (void)::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return std::nullopt;
    std::vector<BYTE> tokenUser(size);
    ProcessIdentity identity;
    if (!::GetTokenInformation(token.get(), TokenUser, tokenUser.data(), size, &size) ||
        !::ProcessIdToSessionId(processId, &identity.session)) {
        return std::nullopt;
    }
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(tokenUser.data())->User.Sid;
    identity.user.resize(::GetLengthSid(sid));
    if (!::CopySid(static_cast<DWORD>(identity.user.size()), identity.user.data(), sid)) {
        return std::nullopt;
    }
    return identity;
}

bool ProcessIdentity::sameUserAndSession(const ProcessIdentity& other) const {
    return session == other.session && !user.empty() && user.size() == other.user.size() &&
           ::EqualSid(const_cast<BYTE*>(user.data()), const_cast<BYTE*>(other.user.data()));
}

bool handOver(const std::vector<std::u16string>& files, std::chrono::milliseconds limit) {
    const std::u16string message = encodeHandedFiles(files);
    if (message.size() > kHandedFilesMaxUnits) return false;
    constexpr DWORD kPollMs = 100;
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    // The running instance may still be starting: it marks its window once it
    // holds the instance mutex.
    HWND target = nullptr;
    while ((target = runningInstanceWindow()) == nullptr) {
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(kPollMs);
    }
    // The receiver asks which process sends: through a window of this one.
    const UniqueWindow sender(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!sender) return false;
    COPYDATASTRUCT data{kHandOverTag, static_cast<DWORD>(message.size() * sizeof(char16_t)),
                        const_cast<char16_t*>(message.data())};
    DWORD_PTR taken = FALSE;
    const ULONGLONG now = ::GetTickCount64();
    const UINT waitMs = static_cast<UINT>(deadline > now ? deadline - now : 0);
    return ::SendMessageTimeoutW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(sender.get()),
                                 reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, waitMs,
                                 &taken) != 0 &&
           taken == TRUE;
}

std::optional<std::vector<std::u16string>> handedFiles(HWND sender, const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverTag || data.lpData == nullptr || data.cbData % 2 != 0 ||
        data.cbData / 2 > kHandedFilesMaxUnits) {
        return std::nullopt;
    }
    DWORD processId = 0;
    if (sender == nullptr || ::GetWindowThreadProcessId(sender, &processId) == 0) return std::nullopt;
    const std::optional<ProcessIdentity> from = ProcessIdentity::of(processId);
    const std::optional<ProcessIdentity> own = ProcessIdentity::of(::GetCurrentProcessId());
    if (!from || !own || !from->sameUserAndSession(*own)) return std::nullopt;
    return decodeHandedFiles(
        std::u16string_view(static_cast<const char16_t*>(data.lpData), data.cbData / 2), u'\\');
}

std::vector<std::u16string> commandLineFiles() {
    int count = 0;
    const UniqueArgv arguments(::CommandLineToArgvW(::GetCommandLineW(), &count));
    std::vector<std::u16string> files;
    for (int i = 1; arguments && i < count; ++i) {
        const DWORD size = ::GetFullPathNameW(arguments.get()[i], 0, nullptr, nullptr);
        if (size == 0) continue;
        std::wstring full(size, L'\0');
        const DWORD length = ::GetFullPathNameW(arguments.get()[i], size, full.data(), nullptr);
        if (length == 0 || length >= size) continue;
        full.resize(length);
        files.push_back(fromWide(full));
    }
    return files;
}

}  // namespace quill::win32
