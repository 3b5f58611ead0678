#include "files.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>

#include "buffered_output.h"
#include "scoped.h"
#include "system_log.h"
#include "wide.h"

namespace quill::win32 {

namespace {
// A page written into a temporary file beside its name, which takes the
// name once it is complete: an earlier page stays whole until then, and a
// link at the name is replaced, never written through.
class Win32OutputFile final : public BufferedOutputFile {
public:
    Win32OutputFile(UniqueFile file, std::wstring temporary, std::wstring path)
        : file_(std::move(file)), temporary_(std::move(temporary)), path_(std::move(path)) {}
    ~Win32OutputFile() override { abandon(); }
    Win32OutputFile(const Win32OutputFile&) = delete;
    Win32OutputFile& operator=(const Win32OutputFile&) = delete;

private:
    bool put(std::string_view bytes) override {
        while (!bytes.empty()) {
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr) || written == 0)
                return false;
            bytes.remove_prefix(written);
        }
        return true;
    }
    bool closeFile() override {
        const bool flushed = ::FlushFileBuffers(file_.get()) != FALSE;
        const bool closed = ::CloseHandle(file_.release()) != FALSE;
        if (flushed && closed &&
            ::MoveFileExW(temporary_.c_str(), path_.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        (void)logIfFailed(::DeleteFileW(temporary_.c_str()), L"DeleteFileW");
        return false;
    }
    void discardFile() noexcept override {
        file_.reset();
        (void)logIfFailed(::DeleteFileW(temporary_.c_str()), L"DeleteFileW");
    }

    UniqueFile file_;
    std::wstring temporary_;
    std::wstring path_;
};
}  // namespace

std::optional<FileBytes> readWholeFile(std::u16string_view path) {
    UniqueFile file(::CreateFileW(toWide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // A regular file only: not a pipe or a device.
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0)
            return std::nullopt;
        done += read;
    }
    return FileBytes(std::move(bytes));
}

std::unique_ptr<OutputFile> createFile(std::u16string_view path) {
    std::wstring name = toWide(path);
    // A folder, or a read-only page, is not replaced.
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return nullptr;
    }
    const std::size_t slash = name.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : name.substr(0, slash);
    wchar_t temporary[MAX_PATH];
    if (::GetTempFileNameW(folder.c_str(), L"qmk", 0, temporary) == 0) return nullptr;
    UniqueFile file(::CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        (void)logIfFailed(::DeleteFileW(temporary), L"DeleteFileW");
        return nullptr;
    }
    return std::make_unique<Win32OutputFile>(std::move(file), temporary, std::move(name));
}

namespace {
FileTime fromFiletime(const FILETIME& time) {
    return FileTime((static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
}  // namespace

FileTime systemFileTime() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return fromFiletime(now);
}

std::optional<FileTime> lastWriteTime(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!::GetFileAttributesExW(toWide(path).c_str(), GetFileExInfoStandard, &attributes))
        return std::nullopt;
    return fromFiletime(attributes.ftLastWriteTime);
}

LeadBytes ansiLeadBytes() {
    LeadBytes leads;
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info)) return leads;
    // Pairs of first and last byte of each range, ended by a zero pair.
    for (int r = 0; r + 1 < MAX_LEADBYTES && info.LeadByte[r] != 0; r += 2) {
        for (unsigned b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) leads.set(b);
    }
    return leads;
}

void appendAnsiAsWide(std::string_view bytes, std::u16string& text) {
    // Converted in pieces that end on a line break: no character of a
    // double-byte code page has a line feed as its trail byte.
    while (!bytes.empty()) {
        std::size_t piece = std::min<std::size_t>(bytes.size(), INT_MAX / 2);
        if (piece < bytes.size()) {
            const std::size_t lineEnd = bytes.rfind('\n', piece - 1);
            if (lineEnd != std::string_view::npos) piece = lineEnd + 1;
        }
        const int size = static_cast<int>(piece);
        const int units = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
        const std::size_t start = text.size();
        text.resize(start + static_cast<std::size_t>(units));
        ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, asWide(text.data() + start), units);
        bytes.remove_prefix(piece);
    }
}

void wideToAnsi(std::u16string_view text, std::string& out) {
    while (!text.empty()) {
        const int size = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX / 4));
        const wchar_t* units = asWide(text.data());
        const int bytes =
            ::WideCharToMultiByte(CP_ACP, 0, units, size, nullptr, 0, nullptr, nullptr);
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(bytes));
        ::WideCharToMultiByte(CP_ACP, 0, units, size, out.data() + start, bytes, nullptr, nullptr);
        text.remove_prefix(static_cast<std::size_t>(size));
    }
}

}  // namespace quill::win32
