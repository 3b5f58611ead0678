#include <gtest/gtest.h>

#include "document_signature.h"
#include "exit_codes.h"
#include "source_kind.h"

namespace xdoc2txt {
namespace {

TEST(TextName, ReplacesTheSuffixInAnyCase) {
    EXPECT_EQ(textNameFor("/d/report.doc"), "/d/report.txt");
    EXPECT_EQ(textNameFor("/d/Report.DOC"), "/d/Report.txt");
    EXPECT_EQ(textNameFor("/d/page.htm"), "/d/page.txt");
    EXPECT_EQ(textNameFor("/d/page.html"), "/d/page.txt");
    EXPECT_EQ(textNameFor("/d/page.HtMl"), "/d/page.txt");
    EXPECT_EQ(textNameFor("/d/sheet.123"), "/d/sheet.txt");
    EXPECT_EQ(textNameFor("/d/a.b.pdf"), "/d/a.b.txt");
    EXPECT_EQ(textNameFor("/d/notes.TXT"), "/d/notes.txt");
    EXPECT_EQ(textNameFor("-x.pdf"), "-x.txt");
    EXPECT_EQ(textNameFor(".pdf"), ".txt");
    // Only the last dot's suffix counts; a folder's name never does.
    EXPECT_EQ(textNameFor("/d.doc/x.docx"), std::nullopt);
    EXPECT_EQ(textNameFor("/d/xhtml"), std::nullopt);
    EXPECT_EQ(textNameFor("/d/x.pd"), std::nullopt);
    EXPECT_EQ(textNameFor(""), std::nullopt);
}

TEST(Format, EverySuffixInAnyCase) {
    const std::pair<const char*, Format> cases[] = {
        {"a.pdf", Format::kPdf},           {"a.DOC", Format::kWord},
        {"a.Xls", Format::kExcel},         {"a.ppt", Format::kPowerPoint},
        {"a.rtf", Format::kRichText},      {"a.htm", Format::kHtml},
        {"a.HTML", Format::kHtml},         {"a.txt", Format::kText},
        {"a.wk3", Format::kLotus},         {"a.WK4", Format::kLotus},
        {"a.123", Format::kLotus},         {"a.wj2", Format::kLotus},
        {"a.wj3", Format::kLotus},         {"a.jtd", Format::kIchitaro},
        {"a.JAW", Format::kIchitaro},      {"a.jtw", Format::kIchitaro},
        {"a.jbw", Format::kIchitaro},      {"a.juw", Format::kIchitaro},
        {"a.jfw", Format::kIchitaro},      {"a.jvw", Format::kIchitaro},
        {"a.jtt", Format::kIchitaro},      {"a.docx", Format::kUnsupported},
        {"a.xlsx", Format::kUnsupported},  {"a.wk1", Format::kUnsupported},
        {"a.html5", Format::kUnsupported}, {"pdf", Format::kUnsupported},
    };
    for (const auto& [name, format] : cases) EXPECT_EQ(formatOf(name), format) << name;
    EXPECT_EQ(suffixOf("x/Y.HTML"), ".html");
    EXPECT_EQ(suffixOf("x/Y.Rtf"), ".rtf");
    EXPECT_EQ(suffixOf("x/Y.docx"), "");
}

TEST(Signature, DocumentsAndTextsGoToLibreOffice) {
    using namespace std::string_view_literals;
    const std::string_view ole2 = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0"sv;
    for (const Format format :
         {Format::kWord, Format::kExcel, Format::kPowerPoint, Format::kRichText, Format::kLotus}) {
        EXPECT_TRUE(looksLikeDocument(format, ole2));
        EXPECT_TRUE(looksLikeDocument(format, "PK\x03\x04\x14\0\x06\0"sv));
        EXPECT_TRUE(looksLikeDocument(format, "{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa}"));
        EXPECT_TRUE(looksLikeDocument(format, "<html><body>\x93\xfa\x96\x7b</body></html>\r\n"));
        EXPECT_TRUE(looksLikeDocument(format, "\xFF\xFEh\0i\0"sv));
        EXPECT_TRUE(looksLikeDocument(format, "\x1b$BF|K\\\x1b(B\n"));  // ISO-2022-JP
        // Noise: NUL bytes, control bytes, or nothing at all.
        EXPECT_FALSE(looksLikeDocument(format, "\x93\x01\x02\x03\x04\x05\x06\x07\x08\x0e"));
        EXPECT_FALSE(looksLikeDocument(format, "abc\0def"sv));
        EXPECT_FALSE(looksLikeDocument(format, ""));
    }
    // Excel 2.x-4.0 and Lotus 1-2-3 start with their BOF records.
    EXPECT_TRUE(looksLikeDocument(Format::kExcel, "\x09\x04\x06\0\0\0\x10\0"sv));
    EXPECT_FALSE(looksLikeDocument(Format::kWord, "\x09\x04\x06\0\0\0\x10\0"sv));
    EXPECT_TRUE(looksLikeDocument(Format::kLotus, "\0\0\x1a\0\x02\x10\x04\0"sv));
    EXPECT_TRUE(looksLikeDocument(Format::kLotus, "\0\0\x02\0\x06\x04"sv));
    EXPECT_FALSE(looksLikeDocument(Format::kPowerPoint, "\0\0\x1a\0\x02\x10\x04\0"sv));
}

TEST(ErrorLine, StaysOneLineWhateverTheName) {
    EXPECT_EQ(errorLine("/d/a b.pdf", "no such file"), "xdoc2txt: /d/a b.pdf: no such file\n");
    EXPECT_EQ(errorLine("/d/a\nb\t\x01.pdf", "bad\r"), "xdoc2txt: /d/a\\nb\\t\\x01.pdf: bad\\r\n");
    EXPECT_EQ(errorLine("/d/日本語.doc", "x"), "xdoc2txt: /d/日本語.doc: x\n");
}

}  // namespace
}  // namespace xdoc2txt
