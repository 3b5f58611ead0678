// Stand-in for the document-to-text converter xdoc2txt, for end-to-end tests.
// It is built as xdoc2txt.exe and copied beside the program under test.
//
//   xdoc2txt -f "C:\dir\name.ext"   writes C:\dir\name.txt: the source path less its
//                                   last four characters, plus ".txt"
//   xdoc2txt "C:\dir\name.ext"      writes the text to standard output instead
//
// The "text" is the source file's bytes copied verbatim, so a test can put known
// CP932 (Shift-JIS) bytes in its documents and expect exactly those back.
//
// Directive lines at the very start of the source make the converter misbehave.
// Each is a whole line ending in LF or CR LF; they are not copied.
//   #fail          write nothing and exit 1
//   #sleep <ms>    wait <ms> milliseconds first, then go on
//   #exit <code>   write the output as usual, then exit with <code>
// The first line that is not a directive ends the directives.
//
// Every run appends its command line exactly as received (GetCommandLineW, as
// UTF-8) and an LF to a log, so that tests can check that each command arrived
// whole: the file named by the environment variable QUILL_XDOC2TXT_LOG, else
// xdoc2txt.log beside this program when that file exists.
//
// Exit codes: 0 converted, 1 #fail, 2 bad usage or unreadable source, 3 output
// not written, or the code of an #exit directive.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

#include "win_util.h"

namespace {

using namespace quill::e2e;

struct Directives {
    bool fail = false;
    DWORD sleepMs = 0;
    int exitCode = 0;
    size_t bodyOffset = 0;  // where the copied bytes begin
};

[[nodiscard]] bool parseNumber(std::string_view text, unsigned long& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return true;
}

[[nodiscard]] Directives parseDirectives(std::string_view bytes) {
    Directives d;
    for (;;) {
        const size_t lf = bytes.find('\n', d.bodyOffset);
        if (lf == std::string_view::npos) break;
        std::string_view line = bytes.substr(d.bodyOffset, lf - d.bodyOffset);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        unsigned long n = 0;
        if (line == "#fail") {
            d.fail = true;
        } else if (line.starts_with("#sleep ") && parseNumber(line.substr(7), n)) {
            d.sleepMs += n;
        } else if (line.starts_with("#exit ") && parseNumber(line.substr(6), n)) {
            d.exitCode = static_cast<int>(n);
        } else {
            break;
        }
        d.bodyOffset = lf + 1;
    }
    return d;
}

void logCommandLine() {
    std::wstring logPath;
    if (const DWORD n = GetEnvironmentVariableW(L"QUILL_XDOC2TXT_LOG", nullptr, 0); n > 1) {
        logPath.resize(n);
        logPath.resize(GetEnvironmentVariableW(L"QUILL_XDOC2TXT_LOG", logPath.data(), n));
    } else {
        logPath = exeDir() + L"xdoc2txt.log";
        if (GetFileAttributesW(logPath.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    }
    if (!appendFileBytes(logPath, toUtf8(GetCommandLineW()) + "\n"))
        std::fwprintf(stderr, L"xdoc2txt: cannot append to the log\n");
}

[[nodiscard]] bool writeStdout(std::string_view bytes) {
    DWORD done = 0;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
           done == bytes.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    logCommandLine();

    bool toFile = false;
    const wchar_t* source = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"-f") == 0) {
            toFile = true;
        } else if (!source) {
            source = argv[i];
        } else {
            source = nullptr;
            break;
        }
    }
    if (!source) {
        std::fwprintf(stderr, L"usage: xdoc2txt [-f] source\n");
        return 2;
    }

    const auto bytes = readFileBytes(source);
    if (!bytes) {
        std::fwprintf(stderr, L"xdoc2txt: cannot read the source\n");
        return 2;
    }
    const Directives d = parseDirectives(*bytes);
    if (d.sleepMs) Sleep(d.sleepMs);
    if (d.fail) return 1;

    const std::string_view text = std::string_view(*bytes).substr(d.bodyOffset);
    if (!toFile) return writeStdout(text) ? d.exitCode : 3;

    const std::wstring path = source;
    if (path.size() < 4) return 2;
    const std::wstring output = path.substr(0, path.size() - 4) + L".txt";
    if (!writeFileBytes(output, text)) {
        std::fwprintf(stderr, L"xdoc2txt: cannot write the output\n");
        return 3;
    }
    return d.exitCode;
}
