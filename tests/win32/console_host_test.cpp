// The console as each system starts it, and a whole run through a console
// whose started process is a host that is not the console's client: on
// Windows the program's own "conhost.exe cmd.exe", under Wine the same shape
// through "wineconsole.exe cmd.exe".

#include "console.h"
#include "files.h"
#include "on_wine.h"
#include "support.h"
#include "test_support.h"
#include "wide.h"
#include "win_util.h"

namespace quill::win32::test {
namespace {

std::wstring throughHost() {
    return runningOnWine() ? L"wineconsole.exe cmd.exe" : consoleCommandLine();
}

TEST(ConsoleCommandLine, HostOnWindowsShellElsewhereBothFromTheSystemFolder) {
    const std::wstring_view system = L"C:\\Windows\\System32";
    EXPECT_EQ(consoleCommandLine(false, system, true),
              L"\"C:\\Windows\\System32\\conhost.exe\" cmd.exe");
    EXPECT_EQ(consoleCommandLine(false, system, false), L"\"C:\\Windows\\System32\\cmd.exe\"");
    EXPECT_EQ(consoleCommandLine(true, system, true), L"\"C:\\Windows\\System32\\cmd.exe\"");
    if (runningOnWine()) {
        EXPECT_EQ(consoleCommandLine(), L"\"C:\\windows\\system32\\cmd.exe\"");
    }
}

// Found through its client, and ended whole: the shell with the host, or,
// when the run never found the console, everything it started.
TEST(ConsoleProcess, ThroughAHostIsFoundAndEnded) {
    for (const bool lookedUp : {true, false}) {
        Console console(throughHost());
        ASSERT_TRUE(console.start());
        if (lookedUp) {
            HWND window = nullptr;
            ASSERT_TRUE(
                e2e::pollUntil([&] { return (window = console.window()) != nullptr; }, 20000));
            wchar_t className[64] = {};
            ::GetClassNameW(window, className, 64);
            EXPECT_STREQ(className, runningOnWine() ? L"WineConsoleClass" : L"ConsoleWindowClass");
        } else {
            ::Sleep(1000);  // the console has come up meanwhile
        }
        EXPECT_FALSE(console.finished());
        console.terminate();
        EXPECT_TRUE(e2e::pollUntil([&] { return console.finished(); }, 30000)) << lookedUp;
    }
}

// The real window and platform, the console started through a host, the
// paste helper standing in for the console's Edit > Paste, and the converter
// stand-in beside this program.
TEST(HostedConsoleRun, ConvertsAndMakesThePages) {
    const TempFolder folder;
    const std::set<HWND> consolesBefore = e2e::test::consoleWindows();
    const OleSession ole;
    ASSERT_TRUE(ole.ok());
    e2e::test::Process helper = e2e::test::startPasteHelper(toWide(folder.path(u"paste.log")));
    Program program(::GetModuleHandleW(nullptr), false, throughHost());
    ASSERT_EQ(program.start(SW_SHOWNORMAL), Program::Started::Running);
    MainWindow& window = program.window();

    const std::u16string doc = folder.path(u"会議 資料.doc");
    const std::u16string pdf = folder.path(u"b.pdf");
    for (const std::u16string& source : {doc, pdf}) {
        const std::unique_ptr<OutputFile> file = createFile(source);
        ASSERT_TRUE(file && file->write("\x93\xfa\x96\x7b\r\n") && file->close());
    }
    program.form().Form_OLEDragDrop({true, {doc, pdf}});
    ASSERT_EQ(windowText(window.control(layout::kText1)), u"変換準備 OK");

    program.form().Command2_Click();  // returns once the run is over
    EXPECT_EQ(windowText(window.control(layout::kText1)), u"ファイルをここに落として下さい。");
    EXPECT_EQ(program.form().list2().count(), 0);
    for (const char16_t* page : {u"会議 資料.html", u"b.html"}) {
        const std::optional<FileBytes> bytes = readWholeFile(folder.path(page));
        ASSERT_TRUE(bytes) << "no page " << e2e::toUtf8(toWide(page));
        EXPECT_NE(bytes->view().find("\x93\xfa\x96\x7b"), std::string_view::npos);
    }
    EXPECT_TRUE(e2e::pollUntil(
        [&] { return e2e::test::consoleWindows() == consolesBefore; }, 30000));
    e2e::test::stopPasteHelper(helper);
}

}  // namespace
}  // namespace quill::win32::test
