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
    DWORD sleep_ms = 0;
    int exit_code = 0;
    size_t body_offset = 0;  // where the copied bytes begin
};

[[nodiscard]] bool parse_number(std::string_view text, unsigned long& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return true;
}

[[nodiscard]] Directives parse_directives(std::string_view bytes) {
    Directives d;
    for (;;) {
        const size_t lf = bytes.find('\n', d.body_offset);
        if (lf == std::string_view::npos) break;
        std::string_view line = bytes.substr(d.body_offset, lf - d.body_offset);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        unsigned long n = 0;
        if (line == "#fail") {
            d.fail = true;
        } else if (line.starts_with("#sleep ") && parse_number(line.substr(7), n)) {
            d.sleep_ms += n;
        } else if (line.starts_with("#exit ") && parse_number(line.substr(6), n)) {
            d.exit_code = static_cast<int>(n);
        } else {
            break;
        }
        d.body_offset = lf + 1;
    }
    return d;
}

void log_command_line() {
    std::wstring log_path;
    if (const DWORD n = GetEnvironmentVariableW(L"QUILL_XDOC2TXT_LOG", nullptr, 0); n > 1) {
        log_path.resize(n);
        log_path.resize(GetEnvironmentVariableW(L"QUILL_XDOC2TXT_LOG", log_path.data(), n));
    } else {
        log_path = exe_dir() + L"xdoc2txt.log";
        if (GetFileAttributesW(log_path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    }
    if (!append_file_bytes(log_path, to_utf8(GetCommandLineW()) + "\n"))
        std::fwprintf(stderr, L"xdoc2txt: cannot append to the log\n");
}

[[nodiscard]] bool write_stdout(std::string_view bytes) {
    DWORD done = 0;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
           done == bytes.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    log_command_line();

    bool to_file = false;
    const wchar_t* source = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"-f") == 0) {
            to_file = true;
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

    const auto bytes = read_file_bytes(source);
    if (!bytes) {
        std::fwprintf(stderr, L"xdoc2txt: cannot read the source\n");
        return 2;
    }
    const Directives d = parse_directives(*bytes);
    if (d.sleep_ms) Sleep(d.sleep_ms);
    if (d.fail) return 1;

    const std::string_view text = std::string_view(*bytes).substr(d.body_offset);
    if (!to_file) return write_stdout(text) ? d.exit_code : 3;

    const std::wstring path = source;
    if (path.size() < 4) return 2;
    const std::wstring output = path.substr(0, path.size() - 4) + L".txt";
    if (!write_file_bytes(output, text)) {
        std::fwprintf(stderr, L"xdoc2txt: cannot write the output\n");
        return 3;
    }
    return d.exit_code;
}
