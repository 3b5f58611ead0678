#include <gtest/gtest.h>

#include <random>

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

// Long inputs are decoded 64 bytes at a time from a mask of their lead
// bytes; short ones byte by byte. Both must read any bytes alike.
TEST(CodePage932, DecodesLongInputsAsByteByByte) {
    const IconvCodePage cp(932);
    std::mt19937 random(7);
    const unsigned char pool[] = {'a',  ' ',  '\r', '\n', 0x00, 0x5C, 0x7F, 0x80, 0x81,
                                  0x82, 0x85, 0x87, 0x9F, 0xA0, 0xB1, 0xDF, 0xE0, 0xEA,
                                  0xEB, 0xEF, 0xFA, 0xFC, 0xFD, 0xFF, 0x40, 0x7E, 0xA4};
    std::string bytes(100000, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random() % 3 == 0 ? random() % 256 : pool[random() % sizeof pool]);
    std::u16string expected;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::u16string pair = i + 1 < bytes.size() ? cp.toWide(bytes.substr(i, 2)) : u"";
        if (pair.size() == 1) {
            expected += pair;
            i += 2;
        } else {
            expected += cp.toWide(bytes.substr(i, 1));
            i += 1;
        }
    }
    std::u16string decoded = u"old content";
    cp.toWide(bytes, decoded);
    EXPECT_EQ(decoded, expected);
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
