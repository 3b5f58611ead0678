#pragma once
// The Windows program as a whole: the window MainWindow wired to Form1, whose
// roles the Win32 platform serves.

#include <windows.h>

#include <string>
#include <vector>

#include "console.h"
#include "main_window.h"
#include "ui/form1.h"
#include "win32_platform.h"

namespace quill::win32 {

class Program {
public:
    // quitOnClose: closing the window ends the thread's message loop;
    // consoleCommand: the command line that starts a run's console.
    Program(HINSTANCE instance, bool quitOnClose,
            std::wstring consoleCommand = consoleCommandLine());
    // The window goes first, while the form and the platform still stand for
    // the messages its destruction sends.
    ~Program() { window_.destroy(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    enum class Started {
        Running,         // the window is shown
        NoWindow,        // the window could not be made
        Ended,           // another instance runs, and has the files if any were given
        HandOverFailed,  // another instance runs, and could not be handed the files
    };
    // Makes the window and loads the form, then shows the window and takes
    // the files named on the command line as a drop; a start that finds
    // another instance running hands them to that one and ends.
    [[nodiscard]] Started start(int showCommand, std::vector<std::u16string> files = {});

    [[nodiscard]] MainWindow& window() noexcept { return window_; }
    [[nodiscard]] Win32Platform& platform() noexcept { return platform_; }
    [[nodiscard]] Form1& form() noexcept { return form_; }

private:
    MainWindow window_;
    Win32Platform platform_;
    Form1 form_;
};

}  // namespace quill::win32
