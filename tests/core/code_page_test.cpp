#include <gtest/gtest.h>

#include "iconv_code_page.h"

namespace quill {
namespace {

TEST(CodePage932, DecodesAndEncodesShiftJis) {
    const IconvCodePage cp(932);
    // 日本語, half-width katakana ｱ, 表 (trail byte 0x5C), ① (an NEC extension).
    const std::string sjis = "\x93\xfa\x96\x7b\x8c\xea\xb1\x95\x5c\x87\x40 a\\~\r\n";
    const std::u16string text = u"日本語ｱ表① a\\~\r\n";
    EXPECT_EQ(cp.toWide(sjis), text);
    std::string encoded = "prefix:";
    cp.toAnsi(text, encoded);
    EXPECT_EQ(encoded, "prefix:" + sjis);
}

TEST(CodePage932, ReplacesWhatItCannotHold) {
    const IconvCodePage cp(932);
    // A lone lead byte at the end, and a lead byte with an invalid trail.
    EXPECT_EQ(cp.toWide("a\x93"), u"a\uFFFD");
    EXPECT_EQ(cp.toWide("\x93\x0a"), u"\uFFFD\n");
    std::string encoded;
    cp.toAnsi(u"é😀x", encoded);  // no é in Shift-JIS; the emoji is one character
    EXPECT_EQ(encoded, "??x");
}

TEST(CodePage1252, IsSingleByte) {
    const IconvCodePage cp(1252);
    EXPECT_EQ(cp.toWide("caf\xe9 \x80"), u"café €");
    std::string encoded;
    cp.toAnsi(u"café €日", encoded);
    EXPECT_EQ(encoded, "caf\xe9 \x80?");
}

}  // namespace
}  // namespace quill
