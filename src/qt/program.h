#pragma once
// The Linux program as a whole: the window MainWindow wired to Form1, whose
// roles the Qt platform serves.

#include <memory>

#include "main_window.h"
#include "qt_platform.h"
#include "ui/form1.h"

namespace quill::qt {

class Program {
public:
    explicit Program(std::shared_ptr<const IconvCodePage> codePage,
                     QtPlatform::Folders folders = {});
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    enum class Started {
        Running,         // the window is shown
        Ended,           // another instance runs, and has the files if any were given
        HandOverFailed,  // another instance runs, and could not be handed the files
    };
    // Loads the form and shows the window, then takes the files named on the
    // command line as a drop; a start that finds another instance running
    // hands them to that one and ends.
    [[nodiscard]] Started start(std::vector<std::u16string> files = {});

    [[nodiscard]] MainWindow& window() noexcept { return window_; }
    [[nodiscard]] QtPlatform& platform() noexcept { return platform_; }
    [[nodiscard]] Form1& form() noexcept { return form_; }

private:
    void drop(DropOn target, DropData files);

    MainWindow window_;
    QtPlatform platform_;
    Form1 form_;
};

}  // namespace quill::qt
