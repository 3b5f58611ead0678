#include <tuple>

#include "converter/console_automation.h"
#include "form_fixture.h"
#include "ui/status_texts.h"

namespace quill::test {
namespace {

class ConsoleRunTest : public FormTest {
protected:
    // The calls that make up the console conversation, with the output
    // list's size noted at every sleep and yield.
    std::vector<std::string> conversation() const {
        return platform.calls({"startConsole", "bringToFront", "sleep", "paste", "enter", "yield",
                               "waitConsole", "list3", "read"});
    }
    void traceOutputList() {
        platform.onPump = [this] {
            platform.log.push_back("list3 " + std::to_string(form.list3().count()));
        };
    }
    static std::vector<std::string> feed(const std::string& source, int outputsBefore) {
        const std::string n = std::to_string(outputsBefore);
        return {"bringToFront 512",
                "sleep 1000",
                "list3 " + n,
                "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"" + source + "\"\\r\\n",
                "sleep 500",
                "list3 " + n};
    }
    static std::vector<std::string> closing(int outputs) {
        const std::string n = std::to_string(outputs);
        return {"yield",     "list3 " + n, "bringToFront 512", "paste exit",
                "sleep 100", "list3 " + n, "enter"};
    }
    static void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
        to.insert(to.end(), more.begin(), more.end());
    }
};

TEST_F(ConsoleRunTest, OneSourceHtmlRun) {
    platform.files[u"D:\\docs\\a.txt"] = "x";
    drop({u"D:\\docs\\a.doc"});
    platform.log.clear();
    traceOutputList();
    form.Command2_Click();
    std::vector<std::string> expected{"startConsole"};
    append(expected, feed("D:\\docs\\a.doc", 0));
    append(expected, closing(1));
    append(expected, {"waitConsole 600000", "list3 1", "yield", "list3 1", "read D:\\docs\\a.txt"});
    EXPECT_EQ(conversation(), expected);
    EXPECT_EQ(entries(form.list3()), std::vector<std::u16string>{u"D:\\docs\\a.txt"});
    EXPECT_EQ(platform.clipboard, u"exit");
}

TEST_F(ConsoleRunTest, TwoAndThreeSourcesInOneDrop) {
    // Dropped together, the sources are converted in the reverse order. The
    // run spends the sources it fed, so the second run feeds only its own.
    for (const char16_t* output :
         {u"D:\\a.txt", u"D:\\b.txt", u"D:\\c.txt", u"D:\\d.txt", u"D:\\e.txt"}) {
        platform.files[output] = "text";
    }
    drop({u"D:\\b.doc", u"D:\\a.doc"});
    platform.log.clear();
    traceOutputList();
    form.Command2_Click();
    std::vector<std::string> expected{"startConsole"};
    append(expected, feed("D:\\a.doc", 0));
    append(expected, feed("D:\\b.doc", 1));
    append(expected, closing(2));
    append(expected, {"waitConsole 600000", "list3 2", "yield", "list3 2", "read D:\\a.txt",
                      "read D:\\b.txt"});
    EXPECT_EQ(conversation(), expected);

    drop({u"D:\\e.doc", u"D:\\d.doc", u"D:\\c.doc"});
    platform.log.clear();
    form.Command2_Click();
    expected = {"startConsole"};
    append(expected, feed("D:\\c.doc", 2));
    append(expected, feed("D:\\d.doc", 3));
    append(expected, feed("D:\\e.doc", 4));
    append(expected, closing(5));
    append(expected, {"waitConsole 600000", "list3 5", "yield", "list3 5"});
    for (const char* output : {"a", "b", "c", "d", "e"})
        expected.push_back(std::string("read D:\\") + output + ".txt");
    EXPECT_EQ(conversation(), expected);
}

TEST_F(ConsoleRunTest, EverySourceGetsItsWholeCommandLine) {
    for (const char16_t* output : {u"D:\\d\\1.txt", u"D:\\d\\2.txt", u"D:\\d\\3.txt"}) {
        platform.files[output] = "text";
    }
    drop({u"D:\\d\\1.doc"});
    drop({u"D:\\d\\2.xls"});
    drop({u"D:\\d\\3.pdf"});
    drop({u"D:\\d\\4.HTML"});
    platform.log.clear();
    traceOutputList();
    form.Command3_Click();  // the text-only run: the same conversation, no outputs recorded
    std::vector<std::string> expected{"startConsole"};
    for (const char* source : {"D:\\d\\1.doc", "D:\\d\\2.xls", "D:\\d\\3.pdf", "D:\\d\\4.HTML"}) {
        append(expected, feed(source, 0));
    }
    append(expected, closing(0));
    EXPECT_EQ(conversation(), expected);
    EXPECT_TRUE(
        platform.calls({"caption", "text1", "command2", "topmost", "bottom", "enable"}).empty());

    platform.log.clear();
    form.Command2_Click();
    expected = {"startConsole"};
    int outputs = 0;
    for (const char* source : {"D:\\d\\1.doc", "D:\\d\\2.xls", "D:\\d\\3.pdf", "D:\\d\\4.HTML"}) {
        append(expected, feed(source, outputs++));
    }
    append(expected, closing(4));
    const std::vector<std::string> said = conversation();
    ASSERT_GE(said.size(), expected.size());
    EXPECT_EQ(
        std::vector<std::string>(said.begin(), said.begin() + static_cast<long>(expected.size())),
        expected);
    // The HTML source gets an empty entry, which the page loop passes over.
    EXPECT_EQ(entries(form.list3()), (std::vector<std::u16string>{u"D:\\d\\1.txt", u"D:\\d\\2.txt",
                                                                  u"D:\\d\\3.txt", u""}));
    // The latest drop brought an HTML page: no pages in this run. The next
    // run reads every entry but the HTML source's.
    EXPECT_TRUE(platform.calls({"read"}).empty());
    form.Command2_Click();
    EXPECT_EQ(platform.calls({"read"}).size(), 6u);
    EXPECT_EQ(platform.text1, texts::kPrompt);
}

TEST_F(ConsoleRunTest, EmptyQueueStartsNoConsole) {
    form.Command3_Click();
    EXPECT_TRUE(platform.log.empty());
    form.Command2_Click();
    EXPECT_TRUE(platform.calls({"startConsole", "clipboard", "paste", "waitConsole"}).empty());
    EXPECT_EQ(platform.log.back(), "topmost");
    EXPECT_EQ(platform.text1, texts::kPrompt);
}

TEST_F(ConsoleRunTest, KeysGoOnlyToTheRunsConsole) {
    drop({u"D:\\a.doc"});
    drop({u"D:\\b.doc"});
    // Another window takes the foreground while the run waits before its
    // first paste: the run brings its console back before sending keys.
    platform.onPump = [this] {
        if (platform.log.back() == "sleep 1000") platform.foreground = FakePlatform::kOtherWindow;
    };
    form.Command3_Click();
    EXPECT_EQ(platform.calls({"paste", "enter"}),
              (std::vector<std::string>{
                  "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"D:\\a.doc\"\\r\\n",
                  "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"D:\\b.doc\"\\r\\n", "paste exit",
                  "enter"}));
}

TEST_F(ConsoleRunTest, RunStopsWhenItsConsoleCannotBeReached) {
    drop({u"D:\\a.doc"});
    platform.consoleTakesForeground = false;
    form.Command2_Click();
    EXPECT_TRUE(platform.calls({"paste", "enter"}).empty());
    EXPECT_EQ(form.list3().count(), 0);
    // It gave the console 3 s to come forward after the pause before its paste.
    EXPECT_EQ(platform.sleptMs, 1000u + 3000u);
    EXPECT_TRUE(platform.calls({"waitConsole"}).empty());
    EXPECT_EQ(platform.log.back(), "topmost");
    EXPECT_EQ(platform.text1, u"変換を中断しました（未変換 1 件）");
    EXPECT_EQ(entries(form.list2()), std::vector<std::u16string>{u"D:\\a.doc"});

    // Neither console run sends a key to a console that is not there; the
    // console process is ended and the clipboard holds no command.
    platform.log.clear();
    platform.sleptMs = 0;
    platform.consoleTakesForeground = true;
    platform.consoleWindowAfterPolls = 1000;  // the window never shows up
    form.Command3_Click();
    EXPECT_TRUE(platform.calls({"paste", "enter"}).empty());
    EXPECT_EQ(platform.calls({"clipboard", "endConsole"}),
              (std::vector<std::string>{"endConsole 600000", "clipboard exit"}));
    EXPECT_EQ(platform.sleptMs, 10000u);  // it looked for the window for 10 s

    platform.log.clear();
    platform.consoleStarts = false;
    form.Command3_Click();
    EXPECT_EQ(platform.calls({"startConsole", "paste", "endConsole", "text1"}),
              (std::vector<std::string>{"startConsole", "endConsole 600000",
                                        "text1 変換を中断しました（未変換 1 件）"}));
}

TEST_F(ConsoleRunTest, ClipboardFailureEndsTheRunBeforeAnyKey) {
    drop({u"D:\\a.doc"});
    platform.clipboardWorks = false;
    form.Command2_Click();
    EXPECT_TRUE(platform.calls({"paste", "enter"}).empty());
    EXPECT_EQ(form.list3().count(), 0);
    EXPECT_EQ(platform.caption, u"Quillmark");
}

TEST_F(ConsoleRunTest, FullOutputListEndsTheFeeding) {
    std::vector<std::u16string> sources;
    for (int i = 0; i < 32767; ++i) sources.push_back(u"D:\\" + decimal(i) + u".htm");
    drop(sources);
    form.Command2_Click();  // an HTML drop: no pages, the queue stays
    ASSERT_EQ(form.list3().count(), 32767);
    platform.log.clear();
    form.Command2_Click();
    // No source is fed once the list has no room for its output.
    EXPECT_TRUE(platform.calls({"paste", "enter"}).empty());
    EXPECT_EQ(platform.count("endConsole 600000"), 1);
    EXPECT_EQ(form.list3().count(), 32767);
    EXPECT_EQ(form.list2().count(), 32767);
    // The earlier run's texts were not there when it ended: none of its
    // pages is made, nor counted again.
    EXPECT_EQ(platform.text1, u"変換を中断しました（未変換 32767 件）");
}

// On a console run by a POSIX shell the command is quoted for that shell,
// and a path that cmd would rewrite is fed as it is. A console that needs no
// pacing (the program's own) is fed without a pause.
TEST(ConsoleRunPosix, PathsAreQuotedForTheShellAndNothingIsRefused) {
    FakePlatform platform;
    platform.dialect = ConsoleDialect::PosixShell;
    platform.pacing = {};
    platform.separator = u'/';
    platform.exeDir = u"/opt/quillmark";
    platform.files[u"/d/%OS% it's.txt"] = "x";
    Form1 form(platform);
    form.Form_Load();
    form.Form_OLEDragDrop(DropData{true, {u"/d/%OS% it's.doc"}});
    form.Command2_Click();
    EXPECT_EQ(platform.calls({"paste '"}),
              std::vector<std::string>{
                  "paste '/opt/quillmark/xdoc2txt' -f '/d/%OS% it'\\''s.doc'\\n"});
    EXPECT_EQ(form.list3().count(), 1);
    EXPECT_EQ(platform.sleptMs, 0u);
}

// The console routine alone records what became of each queued source.

TEST(ConsoleRunRecord, OneRecordPerQueuedSource) {
    FakePlatform platform;
    platform.environment = {u"OS"};
    const FileTime memoTime = platform.clock - std::chrono::hours(1);
    platform.files[u"D:\\memo.txt"] = "memo";
    platform.fileTimes[u"D:\\memo.txt"] = memoTime;
    platform.foregroundLostAtKeys = 3;  // while b.doc is pasted
    ProgramState state;
    for (const char16_t* source : {u"D:\\a.doc", u"D:\\%os%.doc", u"D:\\memo.txt", u"D:\\b.doc"})
        ASSERT_TRUE(state.list2.append(source));
    ASSERT_TRUE(state.list3.append(u"D:\\earlier.txt"));
    EventPump events(platform);
    ConsoleAutomation console(state, events, platform, platform);

    const ConsoleRun run = console.run(ConsoleRunKind::html(u"C:\\Tools\\"));
    const auto record = [&run](std::size_t i) {
        const ConsoleRun::Source& s = run.sources.at(i);
        return std::tuple(s.refused, s.fed, s.output, s.textBefore, s.ownText);
    };
    using Record = decltype(record(0));
    ASSERT_EQ(run.sources.size(), 4u);
    EXPECT_EQ(record(0), Record(false, true, 1, std::nullopt, false));
    EXPECT_EQ(record(1), Record(true, false, std::nullopt, std::nullopt, false));
    EXPECT_EQ(record(2), Record(false, true, 2, memoTime, true));
    EXPECT_EQ(record(3), Record(false, false, std::nullopt, std::nullopt, false));
    EXPECT_TRUE(run.interrupted);
    EXPECT_EQ(run.began, platform.clock);
    EXPECT_EQ(std::tuple(run.fed(), run.refused(), run.notFed()), std::tuple(2, 1, 1));
}

}  // namespace
}  // namespace quill::test
