// The Win32 side of the platform: clipboard, keystrokes, the ANSI code page,
// files, the program folder and the stacking order.

#include <algorithm>
#include <cstring>

#include "console.h"
#include "files.h"
#include "html/ansi_decoding.h"
#include "input.h"
#include "test_support.h"
#include "wide.h"
#include "win_util.h"

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

// A global block of at least `bytes` bytes: the units of start, then 'A'
// bytes up to the block's end (past the size asked for, where it is bigger),
// with no NUL unless start has one.
UniqueGlobal unterminatedBlock(std::size_t bytes, std::u16string_view start) {
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    {
        const GlobalLock<unsigned char> locked(block.get());
        if (!locked.get()) return UniqueGlobal();
        std::memset(locked.get(), 'A', locked.bytes());
        std::memcpy(locked.get(), start.data(), start.size() * sizeof(char16_t));
    }
    return block;
}

// The units that 'A' bytes filling `bytes` bytes make.
std::u16string fill(std::size_t bytes) {
    return std::u16string(bytes / sizeof(char16_t), u'\x4141');
}

// Text ends at its first NUL or at the end of its block, never past it.
TEST(Clipboard, TextEndsAtTheBlocksEndWithoutANul) {
    const UniqueGlobal odd = unterminatedBlock(7, u"abc");
    ASSERT_TRUE(odd);
    EXPECT_EQ(globalText(odd.get()), u"abc" + fill(::GlobalSize(odd.get()) - 6));
    const UniqueGlobal single = unterminatedBlock(1, u"");
    ASSERT_TRUE(single);
    EXPECT_EQ(globalText(single.get()), fill(::GlobalSize(single.get())));
    const UniqueGlobal stopped = unterminatedBlock(12, std::u16string_view(u"ab\0cd", 5));
    ASSERT_TRUE(stopped);
    EXPECT_EQ(globalText(stopped.get()), u"ab");

    // The same on the clipboard, from another program that put no NUL there.
    UniqueGlobal block = unterminatedBlock(8, u"exit");
    ASSERT_TRUE(block);
    const std::size_t size = ::GlobalSize(block.get());
    {
        const ClipboardSession clipboard(nullptr);
        ASSERT_TRUE(clipboard.open() && ::EmptyClipboard());
        ASSERT_TRUE(::SetClipboardData(CF_UNICODETEXT, block.get()));
        (void)block.release();
    }
    const std::optional<std::u16string> text = clipboardText(nullptr);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, (u"exit" + fill(size - 8)).substr(0, text->size()));
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
    std::u16string text = u"previous content:";
    appendAnsiAsWide(sjis, text);
    EXPECT_EQ(text, u"previous content:日本語 ｱ表\r\nA\\");
    std::string back = "<P>";
    wideToAnsi(u"日本語 ｱ表\r\nA\\", back);
    EXPECT_EQ(back, "<P>" + sjis);
}

// What the system's decoder makes of the bytes on its own, and what the
// program makes of them.
std::u16string systemDecoded(std::string_view bytes) {
    std::u16string text;
    appendAnsiAsWide(bytes, text);
    return text;
}

std::u16string decoded(std::string_view bytes) {
    std::u16string text;
    AnsiDecoding(ansiLeadBytes()).decode(bytes, text, appendAnsiAsWide);
    return text;
}

TEST(CodePage, LeadBytesAreThoseOfShiftJis) {
    LeadBytes expected;
    for (unsigned b = 0x81; b <= 0x9F; ++b) expected.set(b);
    for (unsigned b = 0xE0; b <= 0xFC; ++b) expected.set(b);
    EXPECT_EQ(ansiLeadBytes(), expected);
}

// Every lead byte with trail bytes at the edges of their ranges, and with
// every kind of byte that cannot trail it.
TEST(CodePage, BrokenDoubleByteCharactersSwallowNothing) {
    const LeadBytes leads = ansiLeadBytes();
    ASSERT_EQ(leads.count(), 60u);
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (!leads.test(lead)) continue;
        for (const unsigned trail :
             {0x40u, 0x5Cu, 0x7Eu, 0x80u, 0xA0u, 0xFCu, 0xFDu, 0xFEu, 0xFFu}) {
            const std::string bytes =
                std::string{'a', static_cast<char>(lead), static_cast<char>(trail), 'b'};
            EXPECT_EQ(decoded(bytes), systemDecoded(bytes)) << lead << " " << trail;
            EXPECT_EQ(systemDecoded(bytes).size(), 3u) << lead << " " << trail;
        }
        for (const unsigned next :
             {0x00u, 0x09u, 0x0Au, 0x0Du, 0x20u, 0x26u, 0x30u, 0x3Cu, 0x3Eu, 0x3Fu, 0x7Fu}) {
            EXPECT_EQ(
                decoded(std::string{'a', static_cast<char>(lead), static_cast<char>(next), 'b'}),
                u"a\uFFFD" + std::u16string(1, static_cast<char16_t>(next)) + u"b")
                << lead << " " << next;
        }
        EXPECT_EQ(decoded(std::string{'a', static_cast<char>(lead)}), u"a\uFFFD") << lead;
    }
    EXPECT_EQ(decoded("a\x81<b\r\nx\x82\nabc\x81 def"), u"a\uFFFD<b\r\nx\uFFFD\nabc\uFFFD def");
    // Whole characters only: the system's decoding, unchanged.
    const std::string text =
        "\x93\xfa\x96\x7b\x8c\xea \xb1\x95\x5c\x82\xe9\r\n\x81\x81\x81\x81 \x87\x40";
    EXPECT_EQ(decoded(text), systemDecoded(text));
    EXPECT_EQ(decoded(text), u"日本語 ｱ表る\r\n＝＝ ①");
}

using CodePageWindowTest = WindowTest;

TEST_F(CodePageWindowTest, PlatformDecodesThroughTheRule) {
    std::u16string text = u"previous";
    decodeAnsiText(program.platform(), "x\x82\ny\x93\xfa", text);
    EXPECT_EQ(text, u"x\uFFFD\ny日");
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
        // Unclosed (a failure half-way), the earlier page stays whole.
        const std::unique_ptr<OutputFile> partial = createFile(page);
        ASSERT_TRUE(partial && partial->write("partial"));
    }
    EXPECT_EQ(readWholeFile(page)->view().size(), 100003u);
    {
        const std::unique_ptr<OutputFile> shorter = createFile(page);
        ASSERT_TRUE(shorter && shorter->write("new") && shorter->close());
    }
    EXPECT_EQ(readWholeFile(page)->view(), "new");
    EXPECT_FALSE(readWholeFile(folder.path(u"missing.txt")));

    const std::u16string taken = folder.path(u"taken.html");
    ASSERT_TRUE(::CreateDirectoryW(toWide(taken).c_str(), nullptr));
    EXPECT_EQ(createFile(taken), nullptr);
    ASSERT_TRUE(::SetFileAttributesW(toWide(page).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(createFile(page), nullptr);
    EXPECT_EQ(readWholeFile(page)->view(), "new");
    ::SetFileAttributesW(toWide(page).c_str(), FILE_ATTRIBUTE_NORMAL);
    // Only the pages are left: no temporary file.
    WIN32_FIND_DATAW found{};
    int count = 0;
    const HANDLE search = ::FindFirstFileW(toWide(folder.path(u"*")).c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
        ++count;  // ".", "..", the page, the folder
    }
    ::FindClose(search);
    EXPECT_EQ(count, 4);
}

TEST(Files, LastWriteTimeIsOnTheSystemClock) {
    const TempFolder folder;
    const std::u16string text = folder.path(u"会議.txt");
    const FileTime before = systemFileTime();
    {
        const std::unique_ptr<OutputFile> file = createFile(text);
        ASSERT_TRUE(file && file->write("x") && file->close());
    }
    const FileTime after = systemFileTime();
    const std::optional<FileTime> written = lastWriteTime(text);
    ASSERT_TRUE(written);
    // Within the coarsest step a file system keeps times in.
    EXPECT_GE(*written, before - std::chrono::seconds(2));
    EXPECT_LE(*written, after + std::chrono::seconds(2));
    EXPECT_FALSE(lastWriteTime(folder.path(u"missing.txt")));

    // A date set on the file is the one read back.
    const UniqueFile file(::CreateFileW(toWide(text).c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    const std::int64_t dayAgo = (before - std::chrono::hours(24)).count();
    const FILETIME old{static_cast<DWORD>(dayAgo), static_cast<DWORD>(dayAgo >> 32)};
    ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &old));
    EXPECT_EQ(lastWriteTime(text), before - std::chrono::hours(24));
}

TEST(Environment, NamesOfTheProgramsVariables) {
    ASSERT_TRUE(::SetEnvironmentVariableW(L"Quill_Test Name", L"a=b"));
    const std::vector<std::u16string> names = environmentNames();
    EXPECT_NE(std::find(names.begin(), names.end(), u"Quill_Test Name"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), u"OS"), names.end());
    for (const std::u16string& name : names) {
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find(u'=', 1), std::u16string::npos);
    }
}

// A console that the program ends goes, with everything in it.
TEST(ConsoleProcess, EndedConsoleFinishes) {
    Console console;
    ASSERT_TRUE(console.start());
    ASSERT_TRUE(e2e::pollUntil([&] { return console.window() != nullptr; }, 20000));
    EXPECT_FALSE(console.finished());
    console.terminate();
    EXPECT_TRUE(e2e::pollUntil([&] { return console.finished(); }, 60000));
    EXPECT_EQ(::WaitForSingleObject(console.process(), 0), WAIT_OBJECT_0);
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
    program.platform().setStacking(Stacking::Bottom);
    EXPECT_FALSE(topmost());
    program.platform().setStacking(Stacking::Topmost);
    EXPECT_TRUE(topmost());
}

}  // namespace
}  // namespace quill::win32::test
