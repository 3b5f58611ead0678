// The HTML run end to end over the recording platform: captions, stacking,
// the queues across runs, and events that arrive while it waits.

#include <tuple>

#include "form_fixture.h"
#include "ui/status_texts.h"

namespace quill::test {
namespace {

using HtmlRunTest = FormTest;

TEST_F(HtmlRunTest, CaptionsAndStackingOverARun) {
    platform.files[u"D:\\a.txt"] = "x";
    drop({u"D:\\a.doc"});
    platform.log.clear();
    form.Command2_Click();
    EXPECT_EQ(
        platform.calls({"caption", "command2", "text1", "topmost", "bottom"}),
        (std::vector<std::string>{"caption 変換中", "command2 変換中", "bottom",
                                  "caption html作成中", "command2 変換 開始", "caption Quillmark",
                                  "text1 ファイルをここに落として下さい。", "topmost"}));
    EXPECT_EQ(form.list1().count() + form.list2().count(), 0);
    EXPECT_FALSE(form.state().queueGrew);
    EXPECT_FALSE(form.state().htmlGiven);
}

TEST_F(HtmlRunTest, LaterRunsRewriteEarlierPages) {
    platform.files[u"D:\\a.txt"] = "first";
    drop({u"D:\\a.doc"});
    form.Command2_Click();
    platform.files[u"D:\\a.txt"] = "changed";
    platform.files[u"D:\\b.txt"] = "b";
    drop({u"D:\\b.doc"});
    drop({u"D:\\a.doc"});  // a document queued in two runs has two entries
    platform.log.clear();
    form.Command2_Click();
    EXPECT_EQ(entries(form.list3()),
              (std::vector<std::u16string>{u"D:\\a.txt", u"D:\\b.txt", u"D:\\a.txt"}));
    EXPECT_EQ(
        platform.calls({"create"}),
        (std::vector<std::string>{"create D:\\a.html", "create D:\\b.html", "create D:\\a.html"}));
    EXPECT_NE(platform.files[u"D:\\a.html"].find("<P>changed<br>"), std::string::npos);
}

TEST_F(HtmlRunTest, HtmlDropConvertsWithoutPagesUntilPressedAgain) {
    platform.files[u"D:\\a.txt"] = "x";
    drop({u"D:\\a.doc", u"D:\\p.htm"});
    form.Command2_Click();
    EXPECT_TRUE(platform.calls({"create"}).empty());
    EXPECT_EQ(form.list2().count(), 2);
    EXPECT_FALSE(form.state().htmlGiven);
    EXPECT_EQ(platform.text1, texts::kPrompt);
    form.Command2_Click();
    EXPECT_EQ(platform.count("create D:\\a.html"), 2);  // both runs' entries for a.doc
    EXPECT_EQ(platform.count("create D:\\p.html"), 0);  // the page source is never overwritten
    EXPECT_EQ(form.list2().count(), 0);
}

TEST_F(HtmlRunTest, EventsDuringTheRun) {
    platform.files[u"D:\\a.txt"] = "x";
    drop({u"D:\\a.doc"});
    int sleeps = 0;
    platform.onPump = [&] {
        if (++sleeps != 2) return;
        form.Command2_Click();  // ignored: would start a second console
        form.Command3_Click();
        form.Form_OLEDragDrop(DropData{true, {u"D:\\later.doc"}});
    };
    form.Command2_Click();
    EXPECT_EQ(platform.count("startConsole"), 1);
    // The drop waited for the run, which had spent the queue by then.
    EXPECT_EQ(entries(form.list2()), std::vector<std::u16string>{u"D:\\later.doc"});
    EXPECT_TRUE(form.state().queueGrew);
    EXPECT_EQ(platform.text1, texts::kReady);
}

// Memory runs out for one text: that page is not made, the others are, and
// the run ends as any run does; elsewhere, it leaves the window on top.
TEST_F(HtmlRunTest, AFailureOfTheSystemCostsOnePage) {
    platform.files[u"D:\\huge.txt"] = "x";
    platform.files[u"D:\\b.txt"] = "b";
    platform.outOfMemory.insert(u"D:\\huge.txt");
    drop({u"D:\\b.doc", u"D:\\huge.doc"});
    platform.log.clear();
    bool dropped = false;
    platform.onPump = [&] {
        if (!std::exchange(dropped, true)) form.Form_OLEDragDrop(DropData{true, {u"D:\\c.doc"}});
    };
    form.Command2_Click();
    EXPECT_EQ(
        platform.calls({"create", "text1", "command2", "topmost"}),
        (std::vector<std::string>{"command2 変換中", "create D:\\b.html", "command2 変換 開始",
                                  "text1 html作成失敗 1 件", "topmost", "text1 変換準備 OK"}));
    EXPECT_EQ(entries(form.list2()), std::vector<std::u16string>{u"D:\\c.doc"});

    platform.onPaste = [](std::u16string_view) { throw std::bad_alloc(); };
    form.Command2_Click();
    EXPECT_TRUE(platform.topmost);
}

TEST_F(HtmlRunTest, ClosingDuringTheRunStopsItWithoutTouchingTheWindow) {
    drop({u"D:\\a.doc"});
    platform.onPump = [&] {
        if (platform.log.back() == "sleep 1000") form.Form_QueryUnload();
    };
    form.Command2_Click();
    form.Form_Unload();
    ASSERT_EQ(platform.closeAllCalls, 1);
    const auto afterClose = std::find(platform.log.begin(), platform.log.end(), "closeAll");
    EXPECT_EQ(afterClose + 1, platform.log.end());
    EXPECT_EQ(form.list3().count(), 0);
}

TEST_F(HtmlRunTest, WaitsForTheConsoleBeforeReadingOutputs) {
    platform.files[u"D:\\a.txt"] = "x";
    drop({u"D:\\a.doc"});
    platform.consoleExits = false;  // the limit passes: the run goes on
    platform.log.clear();
    form.Command2_Click();
    const auto wait = std::find(platform.log.begin(), platform.log.end(), "waitConsole 600000");
    const auto read = std::find(platform.log.begin(), platform.log.end(), "read D:\\a.txt");
    const auto enter = std::find(platform.log.begin(), platform.log.end(), "enter");
    EXPECT_LT(enter, wait);
    EXPECT_LT(wait, read);
    EXPECT_NE(read, platform.log.end());
}

using LifecycleTest = ::testing::Test;

TEST_F(LifecycleTest, StartUpMakesTheTopmostStripAndCachesTheFolder) {
    FakePlatform platform;
    Form1 form(platform);
    form.Form_Load();
    EXPECT_EQ(std::tuple(platform.caption, platform.text1, platform.command2Caption,
                         platform.command2Enabled, platform.command3Caption, platform.topmost),
              std::tuple(std::u16string(u"Quillmark"), std::u16string(texts::kPrompt),
                         std::u16string(texts::kStart), false, std::u16string(texts::kTextOnly),
                         true));
    EXPECT_EQ(platform.log.back(), "size 3945x1455");
    EXPECT_EQ(form.state().appDir, u"C:\\Tools\\Convert\\");
    platform.exeDir = u"D:\\elsewhere";
    EXPECT_EQ(form.fMyPath(), u"C:\\Tools\\Convert\\");
    EXPECT_EQ(platform.exeDirCalls, 1);
}

TEST_F(LifecycleTest, DriveRootKeepsOneBackslash) {
    FakePlatform platform;
    platform.exeDir = u"C:\\";
    Form1 form(platform);
    EXPECT_EQ(form.fMyPath(), u"C:\\");
}

TEST_F(LifecycleTest, SecondInstanceClosesBeforeShowingAnything) {
    FakePlatform platform;
    platform.otherInstance = true;
    Form1 form(platform);
    form.Form_Load();
    form.Form_QueryUnload();
    form.Form_Unload();
    EXPECT_EQ(platform.log, std::vector<std::string>{"closeAll"});
    EXPECT_TRUE(form.unloaded());
    form.Form_OLEDragDrop(DropData{true, {u"D:\\a.doc"}});
    form.Command2_Click();
    EXPECT_EQ(platform.log, std::vector<std::string>{"closeAll"});
}

}  // namespace
}  // namespace quill::test
