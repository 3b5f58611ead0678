#include "own_console.h"

#include <gtest/gtest.h>

#include "support.h"
#include "win_util.h"

namespace quill::e2e::test {

OwnConsole::OwnConsole() {
    FreeConsole();
    if (!AllocConsole()) ADD_FAILURE() << "no console: error " << GetLastError();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    in_.reset(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, share, &inherit, OPEN_EXISTING,
                          0, nullptr));
    out_.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, share, &inherit, OPEN_EXISTING,
                           0, nullptr));
    if (!in_ || !out_) ADD_FAILURE() << "cannot open the console's buffers";
    if (!SetConsoleScreenBufferSize(out_.get(), COORD{400, 100}))
        ADD_FAILURE() << "cannot widen the console: error " << GetLastError();
}

OwnConsole::~OwnConsole() {
    FreeConsole();
}

std::optional<DWORD> OwnConsole::run(const std::wstring& commandLine, DWORD limitMs) {
    clear();
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in_.get();
    si.hStdOutput = out_.get();
    si.hStdError = out_.get();
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = commandLine;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
        const DWORD error = GetLastError();
        ADD_FAILURE() << "cannot start " << toUtf8(commandLine) << ": error " << error;
        return std::nullopt;
    }
    CloseHandle(pi.hThread);
    const Process process(pi.hProcess, pi.dwProcessId);
    const auto code = process.wait(limitMs);
    if (!code) ADD_FAILURE() << "did not end: " << toUtf8(commandLine);
    process.kill();
    return code;
}

std::vector<std::wstring> OwnConsole::screen() const {
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (!GetConsoleScreenBufferInfo(out_.get(), &info)) return {};
    const DWORD width = static_cast<DWORD>(info.dwSize.X);
    std::vector<std::wstring> lines;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        std::wstring row(width, L' ');
        DWORD got = 0;
        ReadConsoleOutputCharacterW(out_.get(), row.data(), width, COORD{0, y}, &got);
        row.resize(row.find_last_not_of(L' ') + 1);
        lines.push_back(row);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

void OwnConsole::clear() const {
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(out_.get(), &info);
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD done = 0;
    FillConsoleOutputCharacterW(out_.get(), L' ', cells, COORD{0, 0}, &done);
    SetConsoleCursorPosition(out_.get(), COORD{0, 0});
}

}  // namespace quill::e2e::test
