// Whole pages, byte for byte, as a run writes them from a text output.

#include "form_fixture.h"
#include "html/page_writer.h"
#include "page_bytes.h"
#include "ui/status_texts.h"

namespace quill::test {
namespace {

const std::string& kHead = kPageHead;

std::string page(const std::string& title, const std::string& body) {
    return pageBytes(title, body);
}

class PageTest : public FormTest {
protected:
    using FormTest::FormTest;

    // Queues D:\work\plan.doc, lets its text output hold text, and runs.
    std::string pageFor(const std::string& text) {
        platform.files[u"D:\\work\\plan.txt"] = text;
        drop({u"D:\\work\\plan.doc"});
        form.Command2_Click();
        return platform.files[u"D:\\work\\plan.html"];
    }
};

TEST_F(PageTest, TwoLineTextGivesTheFifteenLinePage) {
    const std::string written = pageFor("a\r\nb");
    EXPECT_EQ(written, page("plan", "<P>a<br>\r\nb<br>\r\n</P><br>\r\n"));
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 15);
}

TEST_F(PageTest, BodyRecordsFollowTheLinesOfTheText) {
    struct Case {
        std::string text;
        std::string body;
    };
    const std::string line700(700, 'x');
    const std::vector<Case> cases = {
        {"abc", "<P>abc<br>\r\n</P><br>\r\n"},
        {"", "<P><br>\r\n</P><br>\r\n"},
        {"a\r\n", "<P>a<br>\r\n<br>\r\n</P><br>\r\n"},
        {"a\nb\rc\r\n\r\nd", "<P>a<br>\r\nb<br>\r\nc<br>\r\n<br>\r\nd<br>\r\n</P><br>\r\n"},
        {"  x  \r\nx\t \r\n   ", "<P>  x<br>\r\nx\t<br>\r\n<br>\r\n</P><br>\r\n"},
        {line700, "<P>" + line700 + "<br>\r\n</P><br>\r\n"},
        {"a<b>&c &amp;", "<P>a&lt;b&gt;&amp;c &amp;amp;<br>\r\n</P><br>\r\n"},
        // Shift-JIS: 日本語, a half-width katakana, and a table-byte 0x5C trail (表).
        {"\x93\xfa\x96\x7b\x8c\xea \xb1\r\n\x95\x5c",
         "<P>\x93\xfa\x96\x7b\x8c\xea \xb1<br>\r\n\x95\x5c<br>\r\n</P><br>\r\n"},
        // A broken double-byte character is one "?" in the page and keeps
        // the "<", the line break and the space after it.
        {"a\x81<b\r\nx\x82\nabc\x81 def\x81",
         "<P>a?&lt;b<br>\r\nx?<br>\r\nabc? def?<br>\r\n</P><br>\r\n"},
    };
    for (const Case& c : cases) {
        platform.files[u"D:\\work\\plan.txt"] = c.text;
        drop({u"D:\\work\\plan.doc"});
        form.Command2_Click();
        EXPECT_EQ(platform.files[u"D:\\work\\plan.html"], page("plan", c.body)) << c.text;
    }
}

TEST_F(PageTest, TitleIsTheEscapedFileNameAndOldPagesAreReplaced) {
    platform.files[u"D:\\w\\a&b.v2.txt"] = "x";
    platform.files[u"D:\\w\\a&b.v2.html"] = std::string(5000, 'o');
    drop({u"D:\\w\\a&b.v2.doc"});
    form.Command2_Click();
    EXPECT_EQ(platform.files[u"D:\\w\\a&b.v2.html"],
              page("a&amp;b.v2", "<P>x<br>\r\n</P><br>\r\n"));
}

class Windows1252PageTest : public PageTest {
protected:
    Windows1252PageTest() : PageTest(1252) {}
};

TEST_F(Windows1252PageTest, DeclaresTheCodePageWritten) {
    const std::string written = pageFor("caf\xe9");
    EXPECT_NE(written.find("charset=windows-1252\">"), std::string::npos);
    EXPECT_NE(written.find("<P>caf\xe9<br>"), std::string::npos);
    EXPECT_NE(written.find(">\?\?\?\?\?\?\?\?</a>"),
              std::string::npos);  // no Japanese in this code page
}

TEST_F(PageTest, PagesThatCannotBeMadeAreCountedAndSkipped) {
    platform.files[u"D:\\w\\ok.txt"] = "fine";
    platform.files[u"D:\\w\\locked.txt"] = "never written";
    platform.files[u"D:\\w\\full.txt"] = "a\r\nb\r\nc";
    platform.uncreatable.insert(u"D:\\w\\locked.html");
    platform.writeLimit[u"D:\\w\\full.html"] = kHead.size() + 40;
    platform.files[u"D:\\w\\full.html"] = "the page of an earlier press";
    drop({u"D:\\w\\ok.doc", u"D:\\w\\missing.doc", u"D:\\w\\locked.doc", u"D:\\w\\full.doc"});
    form.Command2_Click();

    EXPECT_EQ(platform.files[u"D:\\w\\ok.html"], page("ok", "<P>fine<br>\r\n</P><br>\r\n"));
    // The missing text gives no page, not the previous text under its name.
    EXPECT_EQ(platform.files.count(u"D:\\w\\missing.html"), 0u);
    // A failed write leaves the earlier page whole.
    EXPECT_EQ(platform.files[u"D:\\w\\full.html"], "the page of an earlier press");
    EXPECT_EQ(platform.text1, u"html作成失敗 3 件");
    EXPECT_EQ(platform.caption, u"Quillmark");
    EXPECT_EQ(form.list2().count(), 0);
}

TEST_F(PageTest, UncreatablePageLeavesTheSourceQueue) {
    platform.uncreatable.insert(u"D:\\w\\a.html");
    drop({u"D:\\w\\a.doc"});
    platform.files[u"D:\\w\\a.txt"] = "x";
    form.Command2_Click();
    EXPECT_EQ(form.list2().count(), 0);
    EXPECT_FALSE(form.state().queueGrew);
    EXPECT_EQ(platform.text1, texts::pagesFailed(1));
}

// The writer reports the page open only once it has created the file.
TEST(PageWriter, ReportsThePageOpenOnlyOnceCreated) {
    FakePlatform platform;
    platform.uncreatable.insert(u"D:\\w\\locked.html");
    ProgramState state;
    ASSERT_TRUE(state.list3.append(u"D:\\w\\a.txt"));
    ASSERT_TRUE(state.list3.append(u"D:\\w\\locked.txt"));
    TextBuffer text;
    text.setText(u"x");
    int opened = 0;
    const auto write = [&](std::int16_t index) {
        state.conversion.currentIndex = index;
        return writePage(platform, platform, state, text, [&opened] { ++opened; });
    };
    EXPECT_TRUE(write(0));
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(write(1));
    EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace quill::test
