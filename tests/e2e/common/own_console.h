// A console of the test program's own, for commands whose console output is
// checked: they run with its input and output as their standard handles, and
// its screen is read back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "win_raii.h"

namespace quill::e2e::test {

class OwnConsole {
public:
    // Leaves any console the program has and opens a new one, wide enough
    // that no line of a test wraps.
    OwnConsole();
    OwnConsole(const OwnConsole&) = delete;
    OwnConsole& operator=(const OwnConsole&) = delete;
    ~OwnConsole();

    // Runs commandLine on a cleared screen and returns its exit code; nullopt
    // (and a test failure) when it does not start or not end within limitMs.
    [[nodiscard]] std::optional<DWORD> run(const std::wstring& commandLine,
                                           DWORD limitMs = kRunLimit);

    // The screen's lines without trailing blanks, up to the last non-empty one.
    [[nodiscard]] std::vector<std::wstring> screen() const;

    // Generous: the Linux converter may start LibreOffice, which can take seconds.
    static constexpr DWORD kRunLimit = 300000;

private:
    void clear() const;

    UniqueFile in_;
    UniqueFile out_;
};

}  // namespace quill::e2e::test
