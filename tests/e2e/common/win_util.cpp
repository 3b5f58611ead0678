#include "win_util.h"

#include <cwchar>

#include "win_raii.h"

namespace quill::e2e {

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

bool pollUntil(const std::function<bool()>& pred, DWORD timeoutMs, DWORD stepMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(stepMs);
    }
}

std::optional<std::string> readFileBytes(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char buf[8192];
    DWORD got = 0;
    while (ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    return bytes;
}

namespace {
bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD done = 0;
        if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
            done == 0)
            return false;
        bytes.remove_prefix(done);
    }
    return true;
}
}  // namespace

bool writeFileBytes(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && writeAll(file.get(), bytes);
}

bool appendFileBytes(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && writeAll(file.get(), bytes);
}

namespace {
// Opens the clipboard into clip within five seconds: another program may hold
// it for a while.
[[nodiscard]] bool openClipboard(std::optional<ClipboardSession>& clip, HWND owner) {
    return pollUntil([&] { return clip.emplace(owner).open(); }, 5000);
}
}  // namespace

std::optional<std::wstring> getClipboardText(HWND owner) {
    std::optional<ClipboardSession> clip;
    if (!openClipboard(clip, owner)) return std::nullopt;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return std::nullopt;
    const GlobalLock<const wchar_t> lock(data);
    if (!lock.get()) return std::nullopt;
    const size_t maxChars = lock.bytes() / sizeof(wchar_t);
    return std::wstring(lock.get(), wcsnlen(lock.get(), maxChars));
}

bool setClipboardText(const std::wstring& text, HWND owner) {
    UniqueGlobal mem(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!mem) return false;
    {
        const GlobalLock<wchar_t> lock(mem.get());
        if (!lock.get()) return false;
        wmemcpy(lock.get(), text.c_str(), text.size() + 1);
    }
    std::optional<ClipboardSession> clip;
    if (!openClipboard(clip, owner) || !EmptyClipboard()) return false;
    if (!SetClipboardData(CF_UNICODETEXT, mem.get())) return false;
    (void)mem.release();  // the clipboard owns it now
    return true;
}

std::wstring quoteArg(std::wstring_view arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring_view::npos)
        return std::wstring(arg);
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes double only where a quote follows them.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

std::wstring exeDir() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool isConsoleWindow(HWND hwnd) {
    wchar_t cls[64] = {};
    if (!hwnd || !GetClassNameW(hwnd, cls, 64)) return false;
    return wcscmp(cls, L"WineConsoleClass") == 0 || wcscmp(cls, L"ConsoleWindowClass") == 0;
}

std::wstring escapeControls(std::wstring_view text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\r') {
            out += L"<CR>";
        } else if (c == L'\n') {
            out += L"<LF>";
        } else if (c < 0x20 || c == 0x7f) {
            wchar_t buf[8];
            swprintf(buf, 8, L"<x%02X>", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace quill::e2e
