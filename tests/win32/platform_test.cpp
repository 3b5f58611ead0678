// The Win32 side of the platform: clipboard, keystrokes, the ANSI code page,
// files, the program folder and the stacking order.

#include "files.h"
#include "input.h"
#include "test_support.h"

namespace quill::win32::test {
namespace {

TEST(Clipboard, HoldsWhatWasPutAndNothingAfterClearing) {
    ASSERT_TRUE(putClipboardText(nullptr, u"\"C:\\Tools\\xdoc2txt\" -f \"D:\\会議\\a.doc\"\r\n"));
    EXPECT_EQ(clipboardText(nullptr), u"\"C:\\Tools\\xdoc2txt\" -f \"D:\\会議\\a.doc\"\r\n");
    ASSERT_TRUE(putClipboardText(nullptr, u"exit"));
    EXPECT_EQ(clipboardText(nullptr), u"exit");
    ASSERT_TRUE(clearClipboard(nullptr));
    EXPECT_EQ(clipboardText(nullptr), std::nullopt);
}

TEST(Keystrokes, PasteAndEnterNotation) {
    const auto keys = [](std::u16string_view notation) {
        std::vector<std::pair<WORD, bool>> out;  // key, released
        const std::optional<std::vector<INPUT>> events = keystrokeEvents(notation);
        for (const INPUT& input : events.value()) {
            out.emplace_back(input.ki.wVk, (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0);
        }
        return out;
    };
    using K = std::vector<std::pair<WORD, bool>>;
    EXPECT_EQ(keys(u"% ep"), (K{{VK_MENU, false},
                                {VK_SPACE, false},
                                {VK_SPACE, true},
                                {VK_MENU, true},
                                {'E', false},
                                {'E', true},
                                {'P', false},
                                {'P', true}}));
    EXPECT_EQ(keys(u"{ENTER}"), (K{{VK_RETURN, false}, {VK_RETURN, true}}));
    EXPECT_FALSE(keystrokeEvents(u"{NOSUCHKEY}"));
    EXPECT_FALSE(keystrokeEvents(u"{ENTER"));
}

TEST(CodePage, IsShiftJisHereAndRoundTrips) {
    ASSERT_EQ(::GetACP(), 932u);
    const std::string sjis = "\x93\xfa\x96\x7b\x8c\xea \xb1\x95\x5c\r\nA\\";
    std::u16string text = u"previous content, longer than the new";
    ansiToWide(sjis, text);
    EXPECT_EQ(text, u"日本語 ｱ表\r\nA\\");
    std::string back = "<P>";
    wideToAnsi(u"日本語 ｱ表\r\nA\\", back);
    EXPECT_EQ(back, "<P>" + sjis);
}

TEST(Files, WriteReadAndRefuseAFolder) {
    const TempFolder folder;
    const std::u16string page = folder.path(u"会議 資料.html");
    {
        const std::unique_ptr<OutputFile> file = createFile(page);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->write(std::string(100000, 'x')));  // more than one buffer
        ASSERT_TRUE(file->write("end"));
        ASSERT_TRUE(file->close());
    }
    std::optional<FileBytes> bytes = readWholeFile(page);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->view(), std::string(100000, 'x') + "end");
    {
        const std::unique_ptr<OutputFile> shorter = createFile(page);  // truncates
        ASSERT_TRUE(shorter && shorter->write("new") && shorter->close());
    }
    EXPECT_EQ(readWholeFile(page)->view(), "new");
    EXPECT_FALSE(readWholeFile(folder.path(u"missing.txt")));

    const std::u16string taken = folder.path(u"taken.html");
    ASSERT_TRUE(::CreateDirectoryW(wide(taken), nullptr));
    EXPECT_EQ(createFile(taken), nullptr);
}

TEST(ProgramFolder, KeepsTheBackslashOnlyAtADriveRoot) {
    EXPECT_EQ(folderOf(u"C:\\Quillmark.exe"), u"C:\\");
    EXPECT_EQ(folderOf(u"C:\\Tools\\Convert\\Quillmark.exe"), u"C:\\Tools\\Convert");
    EXPECT_EQ(folderOf(u"\\\\server\\share\\Quillmark.exe"), u"\\\\server\\share");
}

using StackingTest = WindowTest;

TEST_F(StackingTest, BottomLeavesTheTopmostBand) {
    const auto topmost = [&] {
        return (::GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    };
    ASSERT_TRUE(topmost());
    window.platform().setStacking(Stacking::Bottom);
    EXPECT_FALSE(topmost());
    window.platform().setStacking(Stacking::Topmost);
    EXPECT_TRUE(topmost());
}

}  // namespace
}  // namespace quill::win32::test
