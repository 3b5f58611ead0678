#include <gtest/gtest.h>

#include "html/text_buffer.h"

namespace quill {
namespace {

std::vector<std::u16string> linesOf(const std::u16string& text) {
    TextBuffer buffer;
    buffer.setText(text);
    std::vector<std::u16string> lines;
    for (std::size_t i = 0; i < buffer.lineCount(); ++i) lines.emplace_back(buffer.line(i));
    EXPECT_TRUE(buffer.line(buffer.lineCount()).empty());
    return lines;
}

using Lines = std::vector<std::u16string>;

TEST(TextBuffer, SplitsAtEveryKindOfLineBreak) {
    EXPECT_EQ(linesOf(u""), Lines{u""});
    EXPECT_EQ(linesOf(u"a\r\nb"), (Lines{u"a", u"b"}));
    EXPECT_EQ(linesOf(u"a\nb\rc"), (Lines{u"a", u"b", u"c"}));
    EXPECT_EQ(linesOf(u"a\r\n"), (Lines{u"a", u""}));
    EXPECT_EQ(linesOf(u"\r\r\n\n"), (Lines{u"", u"", u"", u""}));
    EXPECT_EQ(linesOf(u"\n\r"), (Lines{u"", u"", u""}));  // LF CR is two breaks
}

TEST(TextBuffer, ReadsLinesInAnyOrder) {
    TextBuffer buffer;
    buffer.setText(u"zero\r\none\ntwo\rthree");
    EXPECT_EQ(buffer.line(2), u"two");
    EXPECT_EQ(buffer.line(0), u"zero");
    EXPECT_EQ(buffer.line(3), u"three");
    EXPECT_EQ(buffer.line(1), u"one");
    buffer.setText(u"new");
    EXPECT_EQ(buffer.lineCount(), 1u);
    EXPECT_EQ(buffer.line(0), u"new");
    EXPECT_EQ(buffer.line(1), u"");
}

}  // namespace
}  // namespace quill
