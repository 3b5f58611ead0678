// How a run ends when not everything goes to plan: sources the console would
// rewrite, runs that stop early, and texts older than the run.

#include "base/naming.h"
#include "form_fixture.h"
#include "ui/status_texts.h"

namespace quill::test {
namespace {

class RunOutcomeTest : public FormTest {
protected:
    RunOutcomeTest() {
        // A converter that writes each pasted source's text at once, except
        // for sources whose name says it fails.
        platform.onPaste = [this](std::u16string_view pasted) {
            const std::size_t from = pasted.find(u" -f \"");
            if (from == std::u16string_view::npos) return;
            const std::u16string source(pasted.substr(from + 5, pasted.size() - from - 8));
            converted.push_back(source);
            if (source.find(u"fail") != std::u16string::npos) return;
            const std::u16string output = fTxtName(source);
            platform.files[output] = "text of " + utf8(source);
            platform.fileTimes[output] = platform.clock + std::chrono::seconds(1);
        };
    }

    [[nodiscard]] bool pageMade(std::u16string_view page) const {
        return platform.count("create " + utf8(page)) > 0;
    }

    std::vector<std::u16string> converted;  // sources whose command the console ran
};

// The console rewrites %NAME% of a set NAME, whatever the case: such a
// source is never fed, counts as a page not made, and leaves the queue.
TEST_F(RunOutcomeTest, SourcesTheConsoleWouldRewriteAreNotFed) {
    platform.environment = {u"OS", u"TEMP"};
    drop({u"D:\\%os%.doc", u"D:\\50% %NOSUCH%.doc", u"D:\\%Random%.xls", u"D:\\a.doc"});
    platform.log.clear();
    form.Command3_Click();  // the text-only run feeds the same ones, and keeps the queue
    EXPECT_EQ(converted, (std::vector<std::u16string>{u"D:\\a.doc", u"D:\\50% %NOSUCH%.doc"}));
    EXPECT_EQ(form.list2().count(), 4);
    EXPECT_TRUE(platform.calls({"text1"}).empty());

    converted.clear();
    platform.log.clear();
    form.Command2_Click();
    EXPECT_EQ(converted, (std::vector<std::u16string>{u"D:\\a.doc", u"D:\\50% %NOSUCH%.doc"}));
    EXPECT_EQ(entries(form.list3()),
              (std::vector<std::u16string>{u"D:\\a.txt", u"D:\\50% %NOSUCH%.txt"}));
    EXPECT_TRUE(pageMade(u"D:\\a.html"));
    EXPECT_TRUE(pageMade(u"D:\\50% %NOSUCH%.html"));
    EXPECT_EQ(platform.text1, texts::pagesFailed(2));
    EXPECT_EQ(form.list2().count(), 0);
    EXPECT_FALSE(form.state().queueGrew);
    EXPECT_EQ(platform.clipboard, u"exit");

    // Only refused sources: no console at all, and they do not come back.
    drop({u"D:\\%TEMP%\\b.doc"});
    platform.log.clear();
    form.Command2_Click();
    EXPECT_TRUE(platform.calls({"startConsole", "paste", "clipboard"}).empty());
    EXPECT_EQ(platform.text1, texts::pagesFailed(1));
    EXPECT_EQ(form.list2().count(), 0);
    EXPECT_FALSE(form.state().queueGrew);
}

TEST(RefusedFolder, AFolderTheConsoleWouldRewriteFeedsNothing) {
    FakePlatform platform;
    platform.exeDir = u"C:\\%OS%\\Quillmark";
    Form1 form(platform);
    form.Form_Load();
    form.Form_OLEDragDrop(DropData{true, {u"D:\\a.doc", u"D:\\b.doc"}});
    form.Command2_Click();
    EXPECT_TRUE(platform.calls({"startConsole"}).empty());
    EXPECT_EQ(platform.text1, texts::pagesFailed(2));
}

// Another window takes the foreground during the second paste: the run
// ends its console, makes the page it can, and keeps the rest queued.
TEST_F(RunOutcomeTest, ForegroundLostMidRunKeepsTheRestQueued) {
    drop({u"D:\\c.doc", u"D:\\b.doc", u"D:\\a.doc"});
    platform.foregroundLostAtKeys = 2;
    platform.log.clear();
    form.Command2_Click();
    EXPECT_EQ(
        platform.calls({"paste", "endConsole", "clipboard", "waitConsole", "text1"}),
        (std::vector<std::string>{
            "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"D:\\a.doc\"\\r\\n",
            "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"D:\\b.doc\"\\r\\n (foreground lost)",
            "endConsole 600000", "clipboard exit", "text1 変換を中断しました（未変換 2 件）"}));
    EXPECT_FALSE(platform.consoleRunning);
    EXPECT_EQ(platform.clipboard, u"exit");
    EXPECT_EQ(entries(form.list3()), std::vector<std::u16string>{u"D:\\a.txt"});
    EXPECT_TRUE(pageMade(u"D:\\a.html"));
    EXPECT_EQ(entries(form.list2()), (std::vector<std::u16string>{u"D:\\b.doc", u"D:\\c.doc"}));
    EXPECT_TRUE(form.state().queueGrew);
    EXPECT_EQ(platform.caption, texts::kIdleCaption);
    EXPECT_TRUE(platform.topmost);

    // The next press converts exactly what was left, in order.
    converted.clear();
    form.Command2_Click();
    EXPECT_EQ(converted, (std::vector<std::u16string>{u"D:\\b.doc", u"D:\\c.doc"}));
    EXPECT_EQ(platform.text1, texts::kPrompt);
    EXPECT_EQ(form.list2().count(), 0);
    EXPECT_FALSE(form.state().queueGrew);

    // When only an HTML page is left, the queue flag is down.
    drop({u"D:\\p.htm", u"D:\\d.doc"});
    drop({u"D:\\notes.zip"});  // the latest drop brought no HTML page
    platform.foregroundLostAtKeys = platform.keyCalls + 2;
    form.Command2_Click();
    EXPECT_TRUE(pageMade(u"D:\\d.html"));
    EXPECT_EQ(entries(form.list2()), std::vector<std::u16string>{u"D:\\p.htm"});
    EXPECT_FALSE(form.state().queueGrew);
}

TEST_F(RunOutcomeTest, InterruptedNoticeCountsThePagesNotMadeToo) {
    // The first source's conversion fails and the third is refused; the run
    // stops at the closing "exit", after every source was fed.
    platform.environment = {u"OS"};
    drop({u"D:\\%OS%.doc", u"D:\\ok.doc", u"D:\\fail.doc"});
    platform.foregroundLostAtKeys = 3;
    form.Command2_Click();
    EXPECT_EQ(platform.text1, u"変換を中断しました（未変換 0 件、html作成失敗 2 件）");
    EXPECT_EQ(platform.count("enter"), 0);
    EXPECT_EQ(platform.count("endConsole 600000"), 1);
    EXPECT_TRUE(pageMade(u"D:\\ok.html"));
    EXPECT_EQ(form.list2().count(), 0);
}

TEST_F(RunOutcomeTest, EveryKindOfStopEndsTheConsoleAndKeepsTheQueue) {
    const auto pressAfter = [this](const std::function<void()>& breakIt) {
        drop({u"D:\\b.doc", u"D:\\a.doc"});
        platform.log.clear();
        breakIt();
        form.Command2_Click();
    };
    // The clipboard cannot be had for the first command; it works again by
    // the time the console has been ended.
    pressAfter([this] {
        platform.clipboardWorks = false;
        platform.onPump = [this] {
            if (platform.log.back().starts_with("endConsole")) platform.clipboardWorks = true;
        };
    });
    EXPECT_TRUE(platform.calls({"paste", "enter"}).empty());
    EXPECT_EQ(platform.clipboard, u"exit");
    EXPECT_EQ(platform.text1, u"変換を中断しました（未変換 2 件）");
    EXPECT_EQ(entries(form.list2()), (std::vector<std::u16string>{u"D:\\a.doc", u"D:\\b.doc"}));
    EXPECT_FALSE(platform.consoleRunning);

    // The keystrokes cannot be sent.
    platform.onPump = nullptr;
    pressAfter([this] { platform.keysFail = true; });
    EXPECT_EQ(platform.calls({"paste", "enter"}), std::vector<std::string>{
                  "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"D:\\a.doc\"\\r\\n (failed)"});
    EXPECT_EQ(platform.text1, u"変換を中断しました（未変換 2 件）");
    EXPECT_EQ(form.list2().count(), 2);  // the drop added nothing new
    EXPECT_FALSE(platform.consoleRunning);
    EXPECT_EQ(platform.clipboard, u"exit");

    // The console's window never becomes the foreground window.
    pressAfter([this] {
        platform.keysFail = false;
        platform.consoleTakesForeground = false;
    });
    EXPECT_TRUE(platform.calls({"paste", "enter"}).empty());
    EXPECT_EQ(platform.text1, u"変換を中断しました（未変換 2 件）");
    EXPECT_FALSE(platform.consoleRunning);

    // Everything works again: both are converted.
    platform.consoleTakesForeground = true;
    converted.clear();
    form.Command2_Click();
    EXPECT_EQ(converted, (std::vector<std::u16string>{u"D:\\a.doc", u"D:\\b.doc"}));
    EXPECT_EQ(platform.text1, texts::kPrompt);
}

TEST_F(RunOutcomeTest, TextOnlyRunSaysWhenItStopped) {
    drop({u"D:\\b.doc", u"D:\\a.doc"});
    platform.log.clear();
    form.Command3_Click();
    EXPECT_TRUE(platform.calls({"text1"}).empty());  // a complete run changes no text

    platform.foregroundLostAtKeys = platform.keyCalls + 2;
    platform.log.clear();
    form.Command3_Click();
    EXPECT_EQ(
        platform.calls({"paste", "endConsole", "text1"}),
        (std::vector<std::string>{
            "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"D:\\a.doc\"\\r\\n",
            "paste \"C:\\Tools\\Convert\\xdoc2txt\" -f \"D:\\b.doc\"\\r\\n (foreground lost)",
            "endConsole 600000", "text1 変換を中断しました（未変換 1 件）"}));
    EXPECT_EQ(platform.clipboard, u"exit");
    EXPECT_EQ(form.list2().count(), 2);
    EXPECT_EQ(form.list3().count(), 0);
}

// The converter fails while an older text of the same name is on disk.
TEST_F(RunOutcomeTest, PagesOnlyFromTextsTheRunWrote) {
    const FileTime start = platform.clock;
    const auto old = [&](std::u16string_view text, FileTime age) {
        platform.files[std::u16string(text)] = "old text";
        platform.fileTimes[std::u16string(text)] = start - age;
    };
    old(u"D:\\fail-stale.txt", std::chrono::hours(1));
    old(u"D:\\fail-recent.txt", std::chrono::seconds(2));  // a 2-second file system's date
    old(u"D:\\fail-before.txt", std::chrono::seconds(3));
    old(u"D:\\fail-memo.txt", std::chrono::hours(1));  // a text source is its own output
    old(u"D:\\skewed.txt", std::chrono::hours(1));
    drop({u"D:\\fail-stale.doc", u"D:\\fail-recent.doc", u"D:\\fail-before.doc",
          u"D:\\fail-memo.TXT", u"D:\\skewed.doc", u"D:\\fresh.doc"});
    // A file server whose clock is behind dates skewed.txt before the run,
    // but not as it was dated before.
    platform.onPaste = [this, onPaste = platform.onPaste, start](std::u16string_view pasted) {
        onPaste(pasted);
        if (pasted.find(u"skewed") != std::u16string_view::npos) {
            platform.fileTimes[u"D:\\skewed.txt"] = start - std::chrono::minutes(30);
        }
    };
    form.Command2_Click();
    EXPECT_FALSE(pageMade(u"D:\\fail-stale.html"));
    EXPECT_FALSE(pageMade(u"D:\\fail-before.html"));
    EXPECT_TRUE(pageMade(u"D:\\fail-recent.html"));
    EXPECT_TRUE(pageMade(u"D:\\fail-memo.html"));
    EXPECT_TRUE(pageMade(u"D:\\skewed.html"));
    EXPECT_TRUE(pageMade(u"D:\\fresh.html"));
    EXPECT_EQ(platform.count("read D:\\fail-stale.txt"), 0);
    EXPECT_EQ(platform.text1, texts::pagesFailed(2));

    // A later run rewrites the earlier run's pages from the texts as they
    // are, however old; only its own entries must be fresh. An entry whose
    // run did not get its text gets no page later either.
    platform.log.clear();
    platform.clock += std::chrono::hours(2);
    drop({u"D:\\fail-again.doc"});
    form.Command2_Click();
    EXPECT_TRUE(pageMade(u"D:\\fresh.html"));
    EXPECT_TRUE(pageMade(u"D:\\fail-recent.html"));
    EXPECT_FALSE(pageMade(u"D:\\fail-stale.html"));
    EXPECT_FALSE(pageMade(u"D:\\fail-again.html"));
    EXPECT_EQ(platform.text1, texts::pagesFailed(1));
}

// A failed source is told by its own press only and never gives a page;
// a page made before that cannot be made again is told by each press.
TEST_F(RunOutcomeTest, AFailureIsToldOnceAndItsOlderTextNeverGivesAPage) {
    platform.files[u"D:\\fail.txt"] = "old text";
    platform.fileTimes[u"D:\\fail.txt"] = platform.clock - std::chrono::hours(1);
    drop({u"D:\\fail.doc", u"D:\\fail-ichitaro.jtd", u"D:\\ok.doc"});
    form.Command2_Click();
    EXPECT_EQ(platform.text1, texts::pagesFailed(2));
    drop({u"D:\\new.doc"});
    form.Command2_Click();
    EXPECT_TRUE(pageMade(u"D:\\new.html"));
    EXPECT_FALSE(pageMade(u"D:\\fail.html"));
    EXPECT_EQ(platform.text1, texts::kPrompt);
    platform.files.erase(u"D:\\new.txt");
    form.Command2_Click();
    EXPECT_EQ(platform.text1, texts::pagesFailed(1));
}

// Fed sources leave the queue when their press makes pages, made or not; a
// press after an HTML drop makes none and keeps them for the next.
TEST_F(RunOutcomeTest, FedSourcesLeaveTheQueueOnlyWithAPressThatMakesPages) {
    drop({u"D:\\fail.doc", u"D:\\fail.htm"});
    form.Command2_Click();
    EXPECT_EQ(form.list2().count(), 2);
    form.Command2_Click();  // both fail again: the first press's entries are not counted
    EXPECT_EQ(form.list2().count(), 0);
    EXPECT_EQ(platform.text1, texts::pagesFailed(2));
}

TEST_F(RunOutcomeTest, TwoSourcesOfOneTextNameGiveTheLaterText) {
    platform.onPaste = [this, onPaste = platform.onPaste](std::u16string_view pasted) {
        onPaste(pasted);
        if (pasted.find(u"a.xls") != std::u16string_view::npos)
            platform.files[u"D:\\a.txt"] = "xls";
    };
    drop({u"D:\\a.xls", u"D:\\a.doc"});  // a.doc first
    form.Command2_Click();
    EXPECT_EQ(platform.count("create D:\\a.html"), 2);
    EXPECT_NE(platform.files[u"D:\\a.html"].find("<P>xls<br>"), std::string::npos);
    EXPECT_EQ(platform.text1, texts::kPrompt);
}

}  // namespace
}  // namespace quill::test
