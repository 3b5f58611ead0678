#pragma once
// The command console of a conversion run: "cmd.exe" in a new console with a
// normal, activated window. The run needs its window (keystrokes go only
// there) and its end (the converter has finished when it has run "exit").

#include <windows.h>

#include <string>
#include <vector>

#include "scoped.h"

namespace quill::win32 {

class Console {
public:
    // Starts a new console, forgetting any earlier one.
    [[nodiscard]] bool start();
    // The console's window, or nullptr while it has none yet.
    [[nodiscard]] HWND window() const;
    [[nodiscard]] HANDLE process() const noexcept { return process_.get(); }

    // Ends the console process at once; the programs it started go on.
    void terminate() const;
    // Neither the console process nor any program it started still runs.
    [[nodiscard]] bool finished() const;

private:
    UniqueHandle process_;
    DWORD processId_ = 0;
    // The console process and whatever it starts, where the system lets the
    // program have a job of its own.
    UniqueHandle job_;
};

// The names of the variables in this program's environment, which the
// console inherits: the text before the first "=" of each entry, past a
// leading "=" (the entries "=C:=C:\\..." hold the current folders of drives).
[[nodiscard]] std::vector<std::u16string> environmentNames();

// The command line that starts the console. Where Windows may hand new
// consoles to a terminal application as tabs, the console host is named
// explicitly, so that a classic console window with its window menu opens.
[[nodiscard]] std::wstring consoleCommandLine();

}  // namespace quill::win32
