#include <gtest/gtest.h>

#include <stdexcept>

#include "text_encoding.h"

namespace xdoc2txt {
namespace {

TEST(Encoding, WindowsCodePagesEndLinesInCrLf) {
    for (const char* name : {"CP932", "cp1252", "WINDOWS-1252", "windows-31j", "Shift_JIS", "SJIS",
                             "MS_KANJI", "x-sjis", "CP437"}) {
        EXPECT_TRUE(encodingFor(name).crlf) << name;
    }
    for (const char* name : {"UTF-8", "EUC-JP", "ANSI_X3.4-1968", "ISO-8859-1", "CP", "WINDOWS"}) {
        EXPECT_FALSE(encodingFor(name).crlf) << name;
    }
    // Shift-JIS names are written as Windows' superset; others as named.
    EXPECT_EQ(encodingFor("Shift_JIS").iconvName, "CP932");
    EXPECT_EQ(encodingFor("windows-31j").iconvName, "CP932");
    EXPECT_EQ(encodingFor("cp1252").iconvName, "cp1252");
    EXPECT_EQ(encodingFor("EUC-JP").iconvName, "EUC-JP");
}

TEST(Encoding, EnvironmentNameWinsOverTheLocale) {
    ::setenv("XDOC2TXT_ENCODING", "CP932", 1);
    EXPECT_EQ(requestedEncodingName(), "CP932");
    ::setenv("XDOC2TXT_ENCODING", "", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(requestedEncodingName(), "UTF-8");
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(requestedEncodingName(), "ANSI_X3.4-1968");
    ::unsetenv("LC_ALL");
    ::unsetenv("XDOC2TXT_ENCODING");
}

TEST(Normalize, StripsMarksAndUnifiesLineBreaks) {
    EXPECT_EQ(normalizeText("\xEF\xBB\xBF"
                            "abc"),
              "abc\n");
    EXPECT_EQ(normalizeText("a\r\nb\rc\nd\n"), "a\nb\nc\nd\n");
    EXPECT_EQ(normalizeText("a\r\n\r\nb"), "a\n\nb\n");
    // Page breaks: a line break, unless a line starts there.
    EXPECT_EQ(normalizeText("page 1\n\fpage 2\n\f"), "page 1\npage 2\n");
    EXPECT_EQ(normalizeText("end\fnext"), "end\nnext\n");
    EXPECT_EQ(normalizeText(std::string_view("a\0b", 3)), "ab\n");
    EXPECT_EQ(normalizeText("x\xEF\xBB\xBFy"), "xy\n");
    EXPECT_EQ(normalizeText(""), "");
}

TEST(Normalize, ReplacesMalformedUtf8) {
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(normalizeText("a\xFF"
                            "b"),
              "a" + r + "b\n");
    EXPECT_EQ(normalizeText("\xC0\xAF"), r + r + "\n");          // overlong '/'
    EXPECT_EQ(normalizeText("\xED\xA0\x80"), r + r + r + "\n");  // a surrogate
    EXPECT_EQ(normalizeText("\xE6\x97"), r + r + "\n");          // cut short
    EXPECT_EQ(normalizeText("日本\xF0\x9F\x98\x80"), "日本\xF0\x9F\x98\x80\n");
}

TEST(Normalize, VisibleTextIsMoreThanWhiteSpace) {
    EXPECT_FALSE(hasVisibleText(""));
    EXPECT_FALSE(hasVisibleText(" \n\r\n\t\f\f\xE3\x80\x80\xC2\xA0\xEF\xBB\xBF"));
    EXPECT_TRUE(hasVisibleText("\f\fx"));
    EXPECT_TRUE(hasVisibleText("\n日"));
}

TEST(Encoder, Cp932WithCrLfAndQuestionMarksForTheRest) {
    const TextEncoder cp932(encodingFor("CP932"));
    // 日本語, ① (an NEC extension), a half-width katakana; é, an en dash and
    // an emoji are not in CP932: one "?" each.
    EXPECT_EQ(cp932.encode("日本語①ｱ\nfermé – 😀\n"),
              "\x93\xfa\x96\x7b\x8c\xea\x87\x40\xb1\r\nferm? ? ?\r\n");
    // JIS forms of the wave dash and minus are written as Windows does.
    EXPECT_EQ(cp932.encode("〜−"), "\x81\x60\x81\x7c");
}

TEST(Encoder, Utf8KeepsEverythingAndLf) {
    const TextEncoder utf8(encodingFor("UTF-8"));
    EXPECT_EQ(utf8.encode("日本語 fermé 😀\n"), "日本語 fermé 😀\n");
    EXPECT_EQ(utf8.encode(""), "");
}

TEST(Encoder, OtherEncodings) {
    const TextEncoder ascii(encodingFor("ANSI_X3.4-1968"));
    EXPECT_EQ(ascii.encode("a日b\n"), "a?b\n");
    const TextEncoder eucJp(encodingFor("EUC-JP"));
    EXPECT_EQ(eucJp.encode("日本\n"), "\xc6\xfc\xcb\xdc\n");
    // A stateful encoding returns to ASCII before a replacement and at the end.
    const TextEncoder jis(encodingFor("ISO-2022-JP"));
    EXPECT_EQ(jis.encode("日😀"), "\x1b$BF|\x1b(B?");
    EXPECT_THROW(TextEncoder(encodingFor("NO-SUCH-ENCODING")), std::invalid_argument);
}

TEST(Encoder, LongTextsConvertWhole) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "行é\n";
    const std::string encoded = TextEncoder(encodingFor("CP932")).encode(text);
    std::string expected;
    for (int i = 0; i < 20000; ++i) expected += "\x8d\x73?\r\n";
    EXPECT_EQ(encoded, expected);
}

}  // namespace
}  // namespace xdoc2txt
