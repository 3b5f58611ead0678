#include "base/naming.h"
#include "form_fixture.h"
#include "intake/drop_intake.h"
#include "intake/handed_files.h"
#include "ui/status_texts.h"

namespace quill::test {
namespace {

TEST(Classification, SuffixesIgnoreCaseAndNeedTheDot) {
    for (const char16_t* path : {u"C:\\a.doc", u"C:\\a.DOC", u"C:\\a.Pdf", u"C:\\a.123",
                                 u"C:\\a.wj2", u"C:\\folder.txt", u".jtd"}) {
        EXPECT_TRUE(isSupportedDocument(path)) << utf8(path);
    }
    for (const char16_t* path :
         {u"C:\\a.docx", u"C:\\a.doc ", u"C:\\adoc", u"a.d", u"", u"C:\\a.html", u"C:\\a.csv"}) {
        EXPECT_FALSE(isSupportedDocument(path)) << utf8(path);
    }
    for (const char16_t* path : {u"C:\\a.htm", u"C:\\a.HTML", u"C:\\a.hTm", u".htm"}) {
        EXPECT_TRUE(isHtmlPage(path)) << utf8(path);
    }
    for (const char16_t* path : {u"C:\\a.xhtml", u"C:\\ahtml", u"C:\\a.shtm", u"htm"}) {
        EXPECT_FALSE(isHtmlPage(path)) << utf8(path);
    }
}

using DropTest = FormTest;

TEST_F(DropTest, DroppedPathsAreQueuedInReverseOfDeliveredOrder) {
    drop({u"C:\\a.doc", u"C:\\b.doc", u"C:\\c.doc"});
    EXPECT_EQ(entries(form.list2()),
              (std::vector<std::u16string>{u"C:\\c.doc", u"C:\\b.doc", u"C:\\a.doc"}));
    EXPECT_EQ(form.list1().count(), 0);
    EXPECT_TRUE(form.state().queueGrew);
    EXPECT_FALSE(form.state().htmlGiven);
    EXPECT_TRUE(platform.command2Enabled);
    EXPECT_EQ(platform.caption, texts::kReady);
    EXPECT_EQ(platform.text1, texts::kReady);
    // Two yields for each path checked against a non-empty queue.
    EXPECT_EQ(platform.count("yield"), 4);
}

TEST_F(DropTest, UnsupportedOnlyChangesNothingButTheButton) {
    drop({u"C:\\a.exe", u"C:\\b"});
    EXPECT_EQ(form.list2().count(), 0);
    EXPECT_FALSE(form.state().queueGrew);
    EXPECT_FALSE(form.state().htmlGiven);
    EXPECT_FALSE(platform.command2Enabled);
    EXPECT_EQ(platform.calls({"caption", "text1"}).size(), 0u);
}

TEST_F(DropTest, DuplicatesAreExactAndCaseSensitive) {
    drop({u"C:\\a.doc"});
    platform.log.clear();
    drop({u"C:\\a.doc", u"C:\\A.DOC", u"C:\\x.zip"});
    EXPECT_EQ(entries(form.list2()), (std::vector<std::u16string>{u"C:\\a.doc", u"C:\\A.DOC"}));
    // The unsupported path (staged first) disables the button, the ready
    // status enables it again.
    EXPECT_EQ(platform.calls({"enable", "disable", "caption", "text1"}),
              (std::vector<std::string>{"disable", "enable", "caption 変換準備 OK",
                                        "text1 変換準備 OK"}));
}

TEST_F(DropTest, HtmlPagesAreQueuedEveryTimeWithoutReadyStatus) {
    drop({u"C:\\p.htm"});
    EXPECT_TRUE(form.state().htmlGiven);
    EXPECT_TRUE(platform.command2Enabled);
    EXPECT_EQ(platform.caption, u"Quillmark");
    drop({u"C:\\p.htm"});
    EXPECT_TRUE(form.state().htmlGiven);
    EXPECT_EQ(form.list2().count(), 2);
    EXPECT_FALSE(form.state().queueGrew);
}

TEST_F(DropTest, ButtonFollowsTheLastStagedPathUnlessDocumentsWait) {
    drop({u"C:\\p.htm", u"C:\\x.zip"});  // staged: x.zip, p.htm
    EXPECT_TRUE(platform.command2Enabled);
    drop({u"C:\\x.zip", u"C:\\p.htm"});  // staged: p.htm, x.zip
    EXPECT_FALSE(platform.command2Enabled);
    drop({u"C:\\y.zip", u"C:\\a.doc"});
    EXPECT_TRUE(platform.command2Enabled);
    drop({u"C:\\z.zip"});  // a document still waits
    EXPECT_TRUE(platform.command2Enabled);
    EXPECT_EQ(platform.text1, texts::kReady);
}

TEST_F(DropTest, DropWithoutFileListStillChecksAndClearsHtmlFlag) {
    drop({u"C:\\a.doc", u"C:\\p.html"});
    ASSERT_TRUE(form.state().htmlGiven);
    platform.log.clear();
    form.Text1_OLEDragDrop(DropData{});
    EXPECT_FALSE(form.state().htmlGiven);
    EXPECT_EQ(platform.log,
              (std::vector<std::string>{"enable", "caption 変換準備 OK", "text1 変換準備 OK"}));
    form.Command2_OLEDragDrop(DropData{true, {u"C:\\b.doc"}});
    EXPECT_FALSE(form.state().htmlGiven);
    EXPECT_EQ(form.list2().count(), 3);
}

TEST_F(DropTest, DropDuringAYieldWaitsAndClickIsIgnored) {
    drop({u"C:\\first.doc"});
    bool injected = false;
    platform.onPump = [&] {
        if (injected) return;
        injected = true;
        form.Text1_OLEDragDrop(DropData{true, {u"C:\\late1.doc"}});
        form.Form_OLEDragDrop(DropData{true, {u"C:\\late2.doc"}});
        form.Command2_Click();
        EXPECT_EQ(form.list2().count(), 1) << "a nested drop ran inside the yield";
    };
    drop({u"C:\\second.doc"});
    EXPECT_EQ(entries(form.list2()),
              (std::vector<std::u16string>{u"C:\\first.doc", u"C:\\second.doc", u"C:\\late1.doc",
                                           u"C:\\late2.doc"}));
    EXPECT_EQ(platform.count("startConsole"), 0);
    EXPECT_EQ(form.list1().count(), 0);
}

TEST_F(DropTest, FullSourceQueueRefusesAdmissions) {
    std::vector<std::u16string> many;
    for (int i = 0; i < 32767; ++i) many.push_back(u"C:\\p" + decimal(i) + u".htm");
    drop(many);
    ASSERT_EQ(form.list2().count(), 32767);
    drop({u"C:\\one.htm", u"C:\\two.doc"});
    EXPECT_EQ(form.list2().count(), 32767);
    EXPECT_FALSE(form.state().queueGrew);
    EXPECT_FALSE(form.state().htmlGiven);
}

TEST_F(DropTest, CloseDuringAYieldEndsTheDropQuietly) {
    drop({u"C:\\a.doc"});
    platform.log.clear();
    platform.onPump = [&] { form.Form_QueryUnload(); };
    drop({u"C:\\b.doc"});
    EXPECT_EQ(form.list2().count(), 1);
    EXPECT_EQ(platform.closeAllCalls, 1);
    form.Form_Unload();
    drop({u"C:\\c.doc"});
    EXPECT_EQ(platform.closeAllCalls, 1);
    EXPECT_TRUE(platform.calls({"caption", "text1", "enable", "disable"}).empty());
}

}  // namespace
}  // namespace quill::test

namespace quill::test {
namespace {

// Files named on the command line are one drop on the window; a second
// start hands its files to the running instance and takes none itself.
TEST(CommandLineFiles, AreADropOrAreHandedToTheRunningInstance) {
    FakePlatform first;
    Form1 form(first);
    form.Form_Load();
    EXPECT_TRUE(form.OpenFiles({u"D:\\b.doc", u"D:\\a.pdf", u"D:\\notes.zip"}));
    EXPECT_EQ(form.list2().count(), 2);
    EXPECT_EQ(first.text1, u"変換準備 OK");
    EXPECT_TRUE(first.calls({"handOver"}).empty());

    FakePlatform second;
    second.otherInstance = true;
    Form1 secondForm(second);
    secondForm.Form_Load();
    EXPECT_TRUE(secondForm.OpenFiles({u"D:\\c.xls"}));
    EXPECT_EQ(second.calls({"handOver"}), std::vector<std::string>{"handOver D:\\c.xls"});
    EXPECT_EQ(secondForm.list2().count(), 0);
    second.runningInstanceTakesFiles = false;
    EXPECT_FALSE(secondForm.OpenFiles({u"D:\\c.xls"}));
    EXPECT_TRUE(secondForm.OpenFiles({}));  // nothing to hand over
    EXPECT_EQ(second.calls({"handOver"}).size(), 2u);
}

TEST(HandedFiles, OnlyAListOfAbsolutePathsIsTaken) {
    const std::vector<std::u16string> windows{u"C:\\会議\\a.doc", u"\\\\server\\share\\b.pdf",
                                              u"d:/c.xls"};
    EXPECT_EQ(decodeHandedFiles(encodeHandedFiles(windows), u'\\'), windows);
    const std::vector<std::u16string> posix{u"/home/u/a b.doc", u"/x\xDC82\r.pdf"};
    EXPECT_EQ(decodeHandedFiles(encodeHandedFiles(posix), u'/'), posix);

    using namespace std::string_view_literals;
    for (const std::u16string_view bad : {
             u""sv,                        // nothing
             u"C:\\a.doc"sv,               // no NUL at its end
             u"C:\\a.doc\0\0"sv,           // an empty path
             u"a.doc\0"sv,                 // relative
             u"C:a.doc\0"sv,               // relative to a drive's folder
             u"\\a.doc\0"sv,               // relative to the drive
             u"C:\\a.doc\0rm -rf\0"sv,     // one path that is none spoils the list
         }) {
        EXPECT_EQ(decodeHandedFiles(bad, u'\\'), std::nullopt) << utf8(bad);
    }
    EXPECT_EQ(decodeHandedFiles(u"C:\\a.doc\0"sv, u'/'), std::nullopt);
    for (const std::size_t units : {kHandedFilesMaxUnits, kHandedFilesMaxUnits + 1}) {
        std::u16string path(units, u'a');
        path.front() = u'/';
        path.back() = u'\0';
        EXPECT_EQ(decodeHandedFiles(path, u'/').has_value(), units == kHandedFilesMaxUnits);
    }
}

}  // namespace
}  // namespace quill::test
