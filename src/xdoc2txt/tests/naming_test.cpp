#include <gtest/gtest.h>

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

TEST(ErrorLine, StaysOneLineWhateverTheName) {
    EXPECT_EQ(errorLine("/d/a b.pdf", "no such file"), "xdoc2txt: /d/a b.pdf: no such file\n");
    EXPECT_EQ(errorLine("/d/a\nb\t\x01.pdf", "bad\r"), "xdoc2txt: /d/a\\nb\\t\\x01.pdf: bad\\r\n");
    EXPECT_EQ(errorLine("/d/日本語.doc", "x"), "xdoc2txt: /d/日本語.doc: x\n");
}

TEST(Help, NamesEveryExitCode) {
    const std::string help = helpText();
    for (int code = 0; code <= 7; ++code) {
        EXPECT_NE(help.find("\n  " + std::to_string(code) + "  "), std::string::npos) << code;
    }
    EXPECT_NE(help.find("XDOC2TXT_ENCODING"), std::string::npos);
    EXPECT_NE(help.find("XDOC2TXT_TIMEOUT"), std::string::npos);
}

}  // namespace
}  // namespace xdoc2txt
