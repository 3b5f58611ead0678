// drop_driver against drop_target_probe, a stand-in for Quillmark's window in
// another process.
#include <gtest/gtest.h>

#include "quill_form.h"
#include "support.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

class DropDriver : public ::testing::Test {
protected:
    void SetUp() override {
        probe_ =
            start(quoteArg(helperPath(L"drop_target_probe.exe")) + L" --log " + quoteArg(log_),
                  Console::none);
        ASSERT_TRUE(probe_.valid());
        ASSERT_TRUE(pollUntil(
            [] {
                HWND form = FindWindowW(form::kWindowClass, nullptr);
                return form && IsWindowVisible(form);
            },
            kPatience))
            << "the probe window did not show";
    }

    void TearDown() override {
        if (HWND form = FindWindowW(form::kWindowClass, nullptr))
            PostMessageW(form, WM_CLOSE, 0, 0);
        EXPECT_EQ(probe_.wait(), 0u);
        probe_.kill();
    }

    // Runs drop_driver with args and returns its exit code.
    std::optional<DWORD> driver(const std::wstring& args) {
        return run(quoteArg(helperPath(L"drop_driver.exe")) + L" " + args, Console::inherit,
                   60000);
    }

    std::vector<std::wstring> waitForLog(size_t lines) {
        (void)pollUntil([&] { return readUtf8Lines(log_).size() >= lines; }, kPatience);
        return readUtf8Lines(log_);
    }

    TempDir root_{L"quill e2e ドロップ"};
    std::wstring log_ = root_.path() + L"\\probe.log";
    Process probe_;
};

const std::wstring kDoc = L"C:\\書類 フォルダ\\報告 書.doc";
const std::wstring kXls = L"C:\\x y\\c.xls";
const std::wstring kPdf = L"D:\\a\\b.PDF";

TEST_F(DropDriver, DropsAFileListOnText1) {
    EXPECT_EQ(
        driver(L"--target text1 -- " + quoteArg(kDoc) + L" " + quoteArg(kXls) + L" " + kPdf), 0u);
    EXPECT_EQ(waitForLog(1),
              std::vector<std::wstring>{L"drop text1\t" + kDoc + L"\t" + kXls + L"\t" + kPdf});
}

TEST_F(DropDriver, DropsOnCommand2) {
    EXPECT_EQ(driver(L"--target command2 -- " + quoteArg(kDoc)), 0u);
    EXPECT_EQ(waitForLog(1), std::vector<std::wstring>{L"drop command2\t" + kDoc});
}

TEST_F(DropDriver, DropsOnTheFormOutsideItsControls) {
    EXPECT_EQ(driver(L"--target form -- " + quoteArg(kXls)), 0u);
    EXPECT_EQ(waitForLog(1), std::vector<std::wstring>{L"drop form\t" + kXls});
}

TEST_F(DropDriver, TextWithoutAFileListIsRefused) {
    EXPECT_EQ(driver(L"--text --target text1 -- " + quoteArg(kDoc)), 1u);
    // A later file drop still goes through, so the first reached the probe and was refused.
    EXPECT_EQ(driver(L"--target text1 -- " + quoteArg(kXls)), 0u);
    EXPECT_EQ(waitForLog(1), std::vector<std::wstring>{L"drop text1\t" + kXls});
}

TEST_F(DropDriver, ClicksBothButtonsEvenOutOfView) {
    EXPECT_EQ(driver(L"--click command2"), 0u);
    EXPECT_EQ(waitForLog(1), std::vector<std::wstring>{L"click 102"});
    EXPECT_EQ(driver(L"--click command3"), 0u);
    EXPECT_EQ(waitForLog(2), (std::vector<std::wstring>{L"click 102", L"click 104"}));
}

TEST_F(DropDriver, ReportsAMissingWindow) {
    PostMessageW(FindWindowW(form::kWindowClass, nullptr), WM_CLOSE, 0, 0);
    ASSERT_TRUE(probe_.wait().has_value());
    EXPECT_EQ(driver(L"--wait 500 --click command2"), 3u);
    EXPECT_EQ(driver(L"--target nowhere -- x"), 2u);
}

}  // namespace
}  // namespace quill::e2e::test
