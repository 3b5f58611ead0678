#include <gtest/gtest.h>

#include "html_charset.h"
#include "spreadsheet_csv.h"

namespace xdoc2txt {
namespace {

TEST(HtmlCharset, FindsEveryFormOfDeclaration) {
    EXPECT_EQ(declaredCharset("<html><head><meta charset=\"utf-8\" /></head>"), "utf-8");
    EXPECT_EQ(declaredCharset("<META CHARSET=Shift_JIS>"), "Shift_JIS");
    EXPECT_EQ(declaredCharset("<meta http-equiv=\"Content-Type\" "
                              "content=\"text/html; charset=x-sjis\">"),
              "x-sjis");
    EXPECT_EQ(declaredCharset("<meta name='x' content='y'>\n<meta http-equiv=content-type "
                              "content='text/html;charset = EUC-JP'>"),
              "EUC-JP");
    EXPECT_EQ(declaredCharset("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><html>"), "Shift_JIS");
    EXPECT_EQ(declaredCharset("\xEF\xBB\xBF<html>"), "UTF-8");
    EXPECT_EQ(declaredCharset("\xFF\xFE<\0h\0"), "UTF-16LE");
}

TEST(HtmlCharset, PagesThatDeclareNone) {
    EXPECT_EQ(declaredCharset("<html><body><p>charset=utf-8 is only text</p></body></html>"),
              std::nullopt);
    EXPECT_EQ(declaredCharset("<meta name=\"author\" content=\"a\"><p>x</p>"), std::nullopt);
    EXPECT_EQ(declaredCharset("<meta charset=>"), std::nullopt);
    EXPECT_EQ(declaredCharset(""), std::nullopt);
}

TEST(HtmlCharset, W3mNamesForGuesses) {
    EXPECT_EQ(w3mCharsetFor("SHIFT_JIS\n"), "CP932");
    EXPECT_EQ(w3mCharsetFor("EUC-JP\n"), "EUC-JP");
    EXPECT_EQ(w3mCharsetFor("WINDOWS-1252"), "WINDOWS-1252");
    EXPECT_EQ(w3mCharsetFor("ASCII\n"), std::nullopt);
    EXPECT_EQ(w3mCharsetFor("unknown\n"), std::nullopt);
    EXPECT_EQ(w3mCharsetFor(""), std::nullopt);
}

TEST(Csv, RowsBecomeTabbedLines) {
    EXPECT_EQ(csvToTabbedRows("a,b,c\n1,2,3\n"), "a\tb\tc\n1\t2\t3\n");
    EXPECT_EQ(csvToTabbedRows("a,b\r\n1,2"), "a\tb\n1\t2\n");
    // Quoted fields: separators, doubled quotes, line breaks and tabs inside.
    EXPECT_EQ(csvToTabbedRows("\"x,y\",\"say \"\"hi\"\"\"\n\"two\r\nlines\",\"t\tab\"\n"),
              "x,y\tsay \"hi\"\ntwo lines\tt ab\n");
    EXPECT_EQ(csvToTabbedRows("\"漢字\",データ\n"), "漢字\tデータ\n");
}

TEST(Csv, EmptyCellsAndRowsAtTheEndAreDropped) {
    EXPECT_EQ(csvToTabbedRows("a,,b,,\n,,\n,x\n,,\n\n"), "a\t\tb\n\n\tx\n");
    EXPECT_EQ(csvToTabbedRows(",,\n\n"), "");
    EXPECT_EQ(csvToTabbedRows(""), "");
}

}  // namespace
}  // namespace xdoc2txt
