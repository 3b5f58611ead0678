// xdoc2txt.exe for Wine: stands in Quillmark's folder where the converter
// belongs and runs the Linux converter linux/xdoc2txt in its place.
//
//   xdoc2txt -f SOURCE
//
// Quillmark's console runs "<folder>\xdoc2txt" -f "<source>". Under Wine this
// program maps the source to its Unix path, runs "<folder>/linux/xdoc2txt -f
// <unix path>" with XDOC2TXT_ENCODING set to the ANSI code page (CP932 on a
// Japanese system), waits for it, shows what it printed in the console and
// exits with its exit status.
//
// A Unix program's output goes to the Unix stdout, not to the console window,
// so /bin/sh runs the converter with its output in two capture files. The
// shell script is fixed; every path reaches it as an argument of its own, so
// no file name can change what is run, read or written.
//
// Its own failures end with one line on standard error and an exit code: the
// converter's codes for a wrong command line and a source it cannot reach, and
// codes from 120 on, which the converter does not use, for the rest.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "module_path.h"
#include "scoped.h"

namespace {

using quill::win32::UniqueFile;
using quill::win32::UniqueHeapString;

constexpr int kUsage = 2;             // as the converter's
constexpr int kSourceUnreadable = 3;  // as the converter's
constexpr int kNotWine = 120;
constexpr int kNoConverter = 121;
constexpr int kNotStarted = 122;

// Shows text on a standard handle: as UTF-16 in a console, else in the ANSI
// code page with CR LF line ends, as Windows programs write to files and pipes.
void show(DWORD which, std::wstring_view text) {
    const HANDLE out = GetStdHandle(which);
    if (text.empty() || out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD done = 0;
    if (DWORD mode = 0; GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        return;
    }
    std::wstring crlf;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) crlf += L'\r';
        crlf += text[i];
    }
    const int size = static_cast<int>(crlf.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, crlf.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, crlf.data(), size, bytes.data(), n, nullptr, nullptr);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

void complain(const std::wstring& line) {
    show(STD_ERROR_HANDLE, L"xdoc2txt: " + line + L"\n");
}

[[nodiscard]] std::wstring fromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
    return wide;
}

// This program's folder, with a trailing backslash.
[[nodiscard]] std::wstring exeDir() {
    const std::wstring path = quill::win32::executablePath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// What Wine offers a Windows program for running Unix programs.
struct Wine {
    using Spawn = int(__cdecl*)(char* const argv[], int wait);
    using UnixName = char*(__cdecl*)(const wchar_t* dosName);
    Spawn spawn;
    UnixName unixName;
};

[[nodiscard]] std::optional<Wine> findWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (!ntdll || !kernel32 || !GetProcAddress(ntdll, "wine_get_version")) return std::nullopt;
    const auto spawn = reinterpret_cast<Wine::Spawn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")));
    const auto unixName = reinterpret_cast<Wine::UnixName>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_unix_file_name")));
    if (!spawn || !unixName) return std::nullopt;
    return Wine{spawn, unixName};
}

// The Unix path of a Windows path, made absolute first.
[[nodiscard]] std::optional<std::string> unixPath(const Wine& wine, const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::nullopt;
    std::wstring full(size, L'\0');
    const DWORD n = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size) return std::nullopt;
    full.resize(n);
    const UniqueHeapString name(wine.unixName(full.c_str()));
    if (!name) return std::nullopt;
    return std::string(name.get());
}

// A new empty file in the temporary folder, removed again with this object.
class CaptureFile {
public:
    CaptureFile() {
        wchar_t dir[MAX_PATH + 1];
        wchar_t name[MAX_PATH];
        const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
        if (n > 0 && n <= MAX_PATH && GetTempFileNameW(dir, L"x2t", 0, name)) path_ = name;
    }
    ~CaptureFile() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    [[nodiscard]] const std::wstring& path() const { return path_; }

    // What was written to the file, as UTF-8 text.
    [[nodiscard]] std::wstring text() const {
        const UniqueFile file(CreateFileW(path_.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return {};
        std::string bytes;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
        return fromUtf8(bytes);
    }

private:
    std::wstring path_;
};

// The converter's name for the ANSI code page, as iconv knows it.
[[nodiscard]] std::string encodingName() {
    const UINT cp = GetACP();
    return cp == CP_UTF8 ? "UTF-8" : "CP" + std::to_string(cp);
}

// Runs the converter on source under /bin/sh, its input empty and its output
// in the capture files; returns its exit status (as Wine reports it).
[[nodiscard]] int runConverter(const Wine& wine, const std::string& converter,
                                const std::string& source, const std::string& out,
                                const std::string& err) {
    static constexpr char kScript[] =
        "out=$1 err=$2 XDOC2TXT_ENCODING=$3; export XDOC2TXT_ENCODING; shift 3; "
        "exec \"$@\" </dev/null >\"$out\" 2>\"$err\"";
    std::vector<std::string> args = {"/bin/sh",       "-c",      kScript, "xdoc2txt", out, err,
                                     encodingName(), converter, "-f",    source};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return wine.spawn(argv.data(), 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring folder = exeDir();
    const auto wine = findWine();
    if (!wine) {
        complain(
            L"this xdoc2txt.exe runs the Linux converter and works only under Wine; "
            L"on Windows the real converter xdoc2txt belongs in " +
            folder);
        return kNotWine;
    }
    if (argc != 3 || std::wstring_view(argv[1]) != L"-f" || !*argv[2]) {
        complain(L"usage: xdoc2txt -f SOURCE");
        return kUsage;
    }

    const std::wstring converter = folder + L"linux\\xdoc2txt";
    const DWORD attributes = GetFileAttributesW(converter.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        complain(L"the Linux converter is missing: " + converter);
        return kNoConverter;
    }
    const auto unixConverter = unixPath(*wine, converter);
    if (!unixConverter) {
        complain(L"no Unix path for the Linux converter " + converter);
        return kNoConverter;
    }
    // Wine maps a missing file, but not a missing folder.
    const auto unixSource = unixPath(*wine, argv[2]);
    if (!unixSource) {
        complain(std::wstring(argv[2]) + L": no such folder");
        return kSourceUnreadable;
    }
    const CaptureFile out;
    const CaptureFile err;
    const auto unixOut = out.path().empty() ? std::nullopt : unixPath(*wine, out.path());
    const auto unixErr = err.path().empty() ? std::nullopt : unixPath(*wine, err.path());
    if (!unixOut || !unixErr) {
        complain(L"cannot make a file for the converter's output in the temporary folder");
        return kNotStarted;
    }

    const int status = runConverter(*wine, *unixConverter, *unixSource, *unixOut, *unixErr);
    show(STD_OUTPUT_HANDLE, out.text());
    show(STD_ERROR_HANDLE, err.text());
    if (status < 0) {
        complain(L"cannot start " + converter);
        return kNotStarted;
    }
    return status;
}
