#include <gtest/gtest.h>

#include "converter/module1.h"
#include "base/naming.h"
#include "converter/posix_command.h"
#include "failure.h"

namespace quill {
namespace {

FailureKind failureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const RunFailure& failure) {
        return failure.kind();
    }
    ADD_FAILURE() << "no failure raised";
    return FailureKind::Platform;
}

TEST(StringCut, RemovesCountCharactersFromStart) {
    EXPECT_EQ(fStrCut(u"abcdef", 1, 0), u"abcdef");
    EXPECT_EQ(fStrCut(u"abcdef", 2, 1), u"acdef");
    EXPECT_EQ(fStrCut(u"abcdef", 3, 2), u"abef");
    EXPECT_EQ(fStrCut(u"abcdef", 4, 3), u"abc");
    EXPECT_EQ(fStrCut(u"abcdef", 7, 6), u"abcdef");
    EXPECT_EQ(fStrCut(u"", 1, 5), u"");
}

TEST(StringCut, RaisesInvalidArgumentAndOverflow) {
    EXPECT_EQ(failureOf([] { (void)fStrCut(u"abcdef", 0, 1); }), FailureKind::InvalidArgument);
    EXPECT_EQ(failureOf([] { (void)fStrCut(u"abcdef", 2, -3); }), FailureKind::InvalidArgument);
    EXPECT_EQ(failureOf([] { (void)fStrCut(u"abcdef", INT16_MIN, 0); }), FailureKind::Overflow);
    EXPECT_EQ(failureOf([] { (void)fStrCut(u"abcdef", 30000, 30000); }), FailureKind::Overflow);
}

TEST(CommandLine, QuotesConverterAndSourceUnchanged) {
    EXPECT_EQ(fCmdLine(u"C:\\Tools\\", u"D:\\docs\\plan.doc"),
              u"\"C:\\Tools\\xdoc2txt\" -f \"D:\\docs\\plan.doc\"\r\n");
    EXPECT_EQ(fCmdLine(u"C:\\My Tools\\", u"D:\\会議 資料\\a b.xls"),
              u"\"C:\\My Tools\\xdoc2txt\" -f \"D:\\会議 資料\\a b.xls\"\r\n");
    EXPECT_EQ(fCmdLine(u"C:\\", u""), u"\"C:\\xdoc2txt\" -f \"\"\r\n");
}

TEST(TextName, ReplacesTheLastFourCharacters) {
    EXPECT_EQ(fTxtName(u"D:\\a\\Report.DOC"), u"D:\\a\\Report.txt");
    EXPECT_EQ(fTxtName(u"D:\\a\\page.htm"), u"D:\\a\\page.txt");
    EXPECT_EQ(fTxtName(u"D:\\a\\notes.txt"), u"D:\\a\\notes.txt");
    EXPECT_EQ(fTxtName(u".doc"), u".txt");
}

TEST(TextName, RejectsShortAndOverlongPaths) {
    EXPECT_EQ(failureOf([] { (void)fTxtName(u""); }), FailureKind::InvalidArgument);
    EXPECT_EQ(failureOf([] { (void)fTxtName(u"a.d"); }), FailureKind::InvalidArgument);
    const std::u16string longest(32767, u'a');
    EXPECT_EQ(fTxtName(longest).size(), 32767u);
    EXPECT_EQ(failureOf([&] { (void)fTxtName(longest + u"a"); }), FailureKind::Overflow);
}

TEST(TextName, HtmlSourcesInAnyCaseGetNoName) {
    EXPECT_TRUE(endsInHtml(u"D:\\a\\page.html"));
    EXPECT_TRUE(endsInHtml(u"D:\\a\\page.HTML"));
    EXPECT_TRUE(endsInHtml(u"D:\\a\\page.Html"));
    EXPECT_FALSE(endsInHtml(u"D:\\a\\page.htm"));
    EXPECT_FALSE(endsInHtml(u"html"));
}

// Single quotes keep every character; a quote itself closes, escapes, reopens.
TEST(PosixCommandLine, QuotesBothPaths) {
    EXPECT_EQ(posixCommandLine(u"/opt/q/", u"/d/it's $(x) `y` \\ \"z\";\n.doc"),
              u"'/opt/q/xdoc2txt' -f '/d/it'\\''s $(x) `y` \\ \"z\";\n.doc'\n");
}

}  // namespace
}  // namespace quill
