// paste_helper against a real cmd.exe console.
#include <gtest/gtest.h>

#include "support.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

// A running paste_helper, a tools folder with the converter, a documents folder.
class PasteHelperLive : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileW(helperPath(L"xdoc2txt.exe").c_str(),
                              (tools_ + L"\\xdoc2txt.exe").c_str(), FALSE));
        ASSERT_TRUE(writeFileBytes(converterLog_, ""));
        helper_ = startPasteHelper(pasteLog_);
        ASSERT_TRUE(helper_.valid());
    }

    void TearDown() override {
        if (console_.valid()) console_.kill();
        stopPasteHelper(helper_);
    }

    // Starts cmd.exe in a new console window and puts that window in front.
    HWND openConsole() {
        const auto before = consoleWindows();
        console_ = start(L"cmd.exe", Console::own, docs_);
        HWND window = waitForNewConsole(before);
        EXPECT_NE(window, nullptr) << "no console window appeared";
        if (window) {
            EXPECT_TRUE(bringToForeground(window)) << "console not in front";
        }
        return window;
    }

    std::wstring commandFor(const std::wstring& source) const {
        return L"\"" + tools_ + L"\\xdoc2txt\" -f \"" + source + L"\"";
    }

    void paste(const std::wstring& text) {
        ASSERT_TRUE(putOnClipboard(text));
        sendAltSpaceEP();
    }

    std::wstring document(const std::wstring& name, const std::string& bytes) const {
        std::wstring path = docs_ + L"\\" + name;
        EXPECT_TRUE(writeFileBytes(path, bytes));
        return path;
    }

    static bool hasBytes(const std::wstring& path, const std::string& bytes) {
        return readFileBytes(path) == bytes;
    }

    TempDir root_{L"quill e2e 貼り付け"};
    std::wstring tools_ = root_.subdir(L"Program ツール");
    std::wstring docs_ = root_.subdir(L"書類 2024");
    std::wstring converterLog_ = tools_ + L"\\xdoc2txt.log";
    std::wstring pasteLog_ = root_.path() + L"\\paste.log";
    Process helper_;
    Process console_;
};

TEST_F(PasteHelperLive, AltSpaceEPPastesACommandThatRunsInTheConsole) {
    const std::string bytes = cp932(L"貼り付けテスト\r\n");
    const std::wstring source = document(L"週報 第1回.doc", bytes);
    ASSERT_NE(openConsole(), nullptr);

    paste(commandFor(source) + L"\r\n");

    EXPECT_TRUE(
        pollUntil([&] { return hasBytes(docs_ + L"\\週報 第1回.txt", bytes); }, kPatience))
        << "the converter did not run";
    EXPECT_EQ(readUtf8Lines(converterLog_), std::vector<std::wstring>{commandFor(source)});
    EXPECT_EQ(readUtf8Lines(pasteLog_),
              std::vector<std::wstring>{escapeControls(commandFor(source) + L"\r\n")});
    EXPECT_EQ(getClipboardText(clipboardOwner()), commandFor(source) + L"\r\n")
        << "the clipboard must stay as the program under test left it";
}

TEST_F(PasteHelperLive, PastesQueueBehindARunningCommandAndExitClosesTheConsole) {
    const std::wstring slow = document(L"a 遅い.doc", "#sleep 1500\nfirst\n");
    const std::wstring fast = document(L"b 速い.xls", "second\n");
    ASSERT_NE(openConsole(), nullptr);

    paste(commandFor(slow) + L"\r\n");
    ASSERT_TRUE(pollUntil([&] { return readUtf8Lines(converterLog_).size() == 1; }, kPatience))
        << "first command did not start";
    paste(commandFor(fast) + L"\r\n");  // while the first still sleeps
    EXPECT_TRUE(
        pollUntil([&] { return hasBytes(docs_ + L"\\b 速い.txt", "second\n"); }, kPatience));
    EXPECT_TRUE(hasBytes(docs_ + L"\\a 遅い.txt", "first\n"))
        << "second ran before the first ended";
    EXPECT_EQ(readUtf8Lines(converterLog_),
              (std::vector<std::wstring>{commandFor(slow), commandFor(fast)}));

    paste(L"exit");
    // Enter is not one of the helper's keys: it must reach the console.
    ASSERT_TRUE(pollUntil([&] { return readUtf8Lines(pasteLog_).size() == 3; }, kPatience));
    sendEnter();
    EXPECT_EQ(console_.wait(), 0u) << "the console did not close on exit + Enter";
}

// A plain window that records the keys it receives.
class KeyRecorder {
public:
    KeyRecorder() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillmarkKeyRecorder";
        RegisterClassW(&wc);
        window_ = UniqueWindow(CreateWindowExW(0, wc.lpszClassName, L"keys",
                                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100,
                                               nullptr, nullptr, wc.hInstance, nullptr));
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    [[nodiscard]] HWND window() const { return window_.get(); }
    [[nodiscard]] const std::vector<WPARAM>& keysDown() const { return keys_; }
    void pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
        auto* self = reinterpret_cast<KeyRecorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) {
            if (self) self->keys_.push_back(wparam);
            return 0;  // no system menu, no beep
        }
        if (msg == WM_SYSCHAR || msg == WM_SYSKEYUP) return 0;
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
    UniqueWindow window_;
    std::vector<WPARAM> keys_;
};

TEST_F(PasteHelperLive, KeysPassWhenNoConsoleIsInFront) {
    KeyRecorder recorder;
    ASSERT_TRUE(bringToForeground(recorder.window()));
    const std::wstring text = L"echo untouched\r\n";
    paste(text);
    const std::vector<WPARAM> expected{VK_MENU, VK_SPACE, 'E', 'P'};
    EXPECT_TRUE(pollUntil(
        [&] {
            recorder.pump();
            return recorder.keysDown().size() >= expected.size();
        },
        kPatience));
    EXPECT_EQ(recorder.keysDown(), expected);
    EXPECT_EQ(getClipboardText(clipboardOwner()), text);
    EXPECT_TRUE(readUtf8Lines(pasteLog_).empty());
}

}  // namespace
}  // namespace quill::e2e::test
