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

    // Loads the form and shows the window; false when the program ended at
    // once (another instance runs).
    [[nodiscard]] bool start();

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
