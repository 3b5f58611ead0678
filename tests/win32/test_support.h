#pragma once
// Shared pieces of the in-process window tests: a started window, control
// geometry in twips, a temporary folder.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_loop.h"
#include "program.h"
#include "scoped.h"

namespace quill::win32::test {

std::u16string windowText(HWND window);

// A control's rectangle in the client area of its parent, in twips.
struct TwipsRect {
    int left, top, width, height;
};
TwipsRect controlTwips(const MainWindow& window, HWND control);

// A fresh, shown main window of this process.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void pump() { (void)pumpPending(window.hwnd()); }

    OleSession ole;
    Program program{::GetModuleHandleW(nullptr), false};
    MainWindow& window = program.window();
};

// A folder of its own under the temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] std::u16string path(std::u16string_view name) const {
        return path_ + u"\\" + std::u16string(name);
    }

private:
    std::u16string path_;
};

}  // namespace quill::win32::test
