#pragma once
// The command console of a conversion run: the shell "cmd.exe" in a new
// console with a normal, activated window. The run needs its window
// (keystrokes go only there) and its end (the converter has finished when
// the shell has run "exit").

#include <windows.h>

#include <string>
#include <vector>

#include "scoped.h"

namespace quill::win32 {

// The command line that starts the console, for the system described: where
// Windows may hand new consoles to a terminal application as tabs, the
// console host is named explicitly, so that a classic console window with its
// window menu opens; elsewhere (Wine, whose console host takes no command
// line) the shell is started itself. Both are named by their full path in
// the system folder, never looked up beside the program.
[[nodiscard]] std::wstring consoleCommandLine(bool onWine, std::wstring_view systemFolder,
                                              bool hostPresent);
// The same for this system.
[[nodiscard]] std::wstring consoleCommandLine();

class Console {
public:
    explicit Console(std::wstring commandLine = consoleCommandLine())
        : commandLine_(std::move(commandLine)) {}

    // Starts a new console, forgetting any earlier one.
    [[nodiscard]] bool start();
    // The console's window, or nullptr while it has none yet. Once found, the
    // process it was found through (the shell) is kept.
    [[nodiscard]] HWND window();
    // What has ended once the console has run "exit": the shell, where the
    // window was found through it, else the process started.
    [[nodiscard]] HANDLE process() const noexcept {
        return shell_ ? shell_.get() : started_.get();
    }

    // Ends the console at once: the shell and the process started. A program
    // the shell started goes on; when no shell was found, nothing was fed to
    // it, and everything the console started ends.
    void terminate() const;
    // No process of the console, nor any program it started, still runs.
    [[nodiscard]] bool finished() const;

private:
    std::wstring commandLine_;
    UniqueHandle started_;
    DWORD startedId_ = 0;
    // The window was found, through shell_ where that is not the process
    // started.
    bool found_ = false;
    UniqueHandle shell_;
    // The started process and whatever it starts, where the system lets the
    // program have a job of its own.
    UniqueHandle job_;
};

// The names of the variables in this program's environment, which the
// console inherits: the text before the first "=" of each entry, past a
// leading "=" (the entries "=C:=C:\\..." hold the current folders of drives).
[[nodiscard]] std::vector<std::u16string> environmentNames();

}  // namespace quill::win32
