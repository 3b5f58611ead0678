// HTML runs of the real Quillmark.exe: what reaches the converter, and the pages
// it writes, compared byte for byte.
#include <gtest/gtest.h>

#include "expected_page.h"
#include "session.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

using Lines = std::vector<std::wstring>;

class Conversion : public QuillmarkTest {
protected:
    void expectPage(std::wstring_view name, const std::string& bytes) const {
        const auto page = readFileBytes(docPath(name));
        ASSERT_TRUE(page.has_value()) << "no page " << toUtf8(name);
        EXPECT_EQ(*page, bytes) << "page " << toUtf8(name);
    }
    void expectNoFile(std::wstring_view name) const {
        EXPECT_FALSE(fileExists(docPath(name))) << toUtf8(name) << " should not be there";
    }
    void remove(std::wstring_view name) const { ASSERT_TRUE(DeleteFileW(docPath(name).c_str())); }
};

// 報告 書: a Japanese name with a space.
const std::string kReportTitle = "\x95\xF1\x8D\x90 \x8F\x91";

TEST_F(Conversion, OneTwoAndFourSourcesPerDropAndEveryRunRewritesTheEarlierPages) {
    // Every kind of line break, trailing spaces and tabs, markup characters,
    // Shift-JIS with 0x5C trail bytes, half-width kana, an ideographic space.
    const std::wstring report =
        document(L"報告 書.doc",
                 "\x91\xE6\x88\xEA\x8D\x73 \x95\x5C\x8E\xA6  \r\n"  // 第一行 表示
                 "a < b && c > d\n"
                 "\xB1\xB2\xB3 \x83\x5C\x83\x74\x83\x67\r"  // ｱｲｳ ソフト
                 "\r\n"
                 "\t\x94\x5C\x97\xCD  \t \n"     // 能力
                 "\x91\x53\x8A\x70\x81\x40\r\n"  // 全角 and U+3000
                 "last");
    dropDocuments(Target::text1, {report});
    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    EXPECT_EQ(converterLog(), Lines{commandFor(report)});
    const std::string firstPage =
        expectedPage(kReportTitle, {
                                        "<P>\x91\xE6\x88\xEA\x8D\x73 \x95\x5C\x8E\xA6<br>",
                                        "a &lt; b &amp;&amp; c &gt; d<br>",
                                        "\xB1\xB2\xB3 \x83\x5C\x83\x74\x83\x67<br>",
                                        "<br>",
                                        "\t\x94\x5C\x97\xCD  \t<br>",
                                        "\x91\x53\x8A\x70\x81\x40<br>",
                                        "last<br>",
                                        "</P><br>",
                                    });
    expectPage(L"報告 書.html", firstPage);

    // The first run's text changes; the next run's page for it must show that.
    const std::string revised = "\x89\xFC\x92\xF9\x94\xC5\r\n";  // 改訂版
    const std::string revisedPage =
        expectedPage(kReportTitle, {"<P>\x89\xFC\x92\xF9\x94\xC5<br>", "<br>", "</P><br>"});
    ASSERT_TRUE(writeFileBytes(docPath(L"報告 書.txt"), revised));
    remove(L"報告 書.html");
    const std::wstring plan = document(L"R&D 計画.rtf", "<b>\x8C\x76\x89\xE6</b>\n");  // 計画
    const std::wstring memo = document(L"memo.TXT", "memo   ");  // its own text output
    dropDocuments(Target::text1, {plan, memo});
    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    // The last dropped path is converted first.
    EXPECT_EQ(converterLog(), (Lines{commandFor(report), commandFor(memo), commandFor(plan)}));
    expectPage(L"報告 書.html", revisedPage);
    const std::string planPage =
        expectedPage("R&amp;D \x8C\x76\x89\xE6",
                      {"<P>&lt;b&gt;\x8C\x76\x89\xE6&lt;/b&gt;<br>", "<br>", "</P><br>"});
    expectPage(L"R&D 計画.html", planPage);
    expectPage(L"memo.html", expectedPage("memo", {"<P>memo<br>", "</P><br>"}));

    // Four in one drop; every earlier page is written again too.
    for (const wchar_t* page : {L"報告 書.html", L"R&D 計画.html", L"memo.html"}) remove(page);
    std::string longLine;
    for (int i = 0; i < 3000; ++i) longLine += "\x95\x5C\x8E\xA6";  // 表示: no cutting
    // Converted last and slowly: its empty text is there only if the run
    // waits for the console to end.
    const std::wstring a = document(L"a.pdf", "#sleep 3000\n");
    const std::wstring b = document(L"b.xls", "x\n\ny\n");
    const std::wstring c = document(L"c.ppt", longLine + "\r\n");
    const std::wstring d = document(L"d.jtd", "  leading kept");
    dropDocuments(Target::text1, {a, b, c, d});
    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    EXPECT_EQ(converterLog(),
              (Lines{commandFor(report), commandFor(memo), commandFor(plan), commandFor(d),
                     commandFor(c), commandFor(b), commandFor(a)}))
        << "each command must reach the converter whole, in queue order";
    expectPage(L"報告 書.html", revisedPage);
    expectPage(L"R&D 計画.html", planPage);
    expectPage(L"memo.html", expectedPage("memo", {"<P>memo<br>", "</P><br>"}));
    expectPage(L"a.html", expectedPage("a", {"<P><br>", "</P><br>"}));
    expectPage(L"b.html", expectedPage("b", {"<P>x<br>", "<br>", "y<br>", "<br>", "</P><br>"}));
    expectPage(L"c.html", expectedPage("c", {"<P>" + longLine + "<br>", "<br>", "</P><br>"}));
    expectPage(L"d.html", expectedPage("d", {"<P>  leading kept<br>", "</P><br>"}));
    EXPECT_EQ(docFolder(), (std::set<std::wstring>{
                                L"報告 書.doc",  L"報告 書.txt",   L"報告 書.html", L"R&D 計画.rtf",
                                L"R&D 計画.txt", L"R&D 計画.html", L"memo.TXT",     L"memo.html",
                                L"a.pdf",        L"a.txt",         L"a.html",       L"b.xls",
                                L"b.txt",        L"b.html",        L"c.ppt",        L"c.txt",
                                L"c.html",       L"d.jtd",         L"d.txt",        L"d.html"}));
}

TEST_F(Conversion, HtmlInADropHoldsThePagesBackOneRunAndIsNeverOverwritten) {
    const std::string oldPage = "<html><body>\x8B\x8C</body></html>\r\n";    // 旧
    const std::wstring body = document(L"本文.doc", "\x96\x7B\x95\xB6\r\n");  // 本文
    const std::wstring page = document(L"旧ページ.html", oldPage);
    const std::wstring heading = document(L"見出し.htm", "<h1>\x8C\xA9\x8F\x6F\x82\xB5</h1>\na&b");
    dropDocuments(Target::form, {body, page, heading});

    // The run after a drop with HTML in it converts everything and writes no page.
    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    const Lines once{commandFor(heading), commandFor(page), commandFor(body)};
    EXPECT_EQ(converterLog(), once);
    EXPECT_TRUE(fileExists(docPath(L"本文.txt")));
    EXPECT_TRUE(fileExists(docPath(L"見出し.txt")));
    expectNoFile(L"本文.html");
    expectNoFile(L"見出し.html");
    EXPECT_EQ(readFileBytes(page), oldPage);

    // The next press converts the same sources again and writes their pages,
    // none for the .html source.
    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    Lines twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(converterLog(), twice);
    expectPage(L"本文.html",
                expectedPage("\x96\x7B\x95\xB6", {"<P>\x96\x7B\x95\xB6<br>", "<br>", "</P><br>"}));
    expectPage(L"見出し.html",
                expectedPage("\x8C\xA9\x8F\x6F\x82\xB5",
                              {"<P>&lt;h1&gt;\x8C\xA9\x8F\x6F\x82\xB5&lt;/h1&gt;<br>",
                               "a&amp;b<br>", "</P><br>"}));
    EXPECT_EQ(readFileBytes(page), oldPage);
    // "旧ページ..txt" is the stand-in converter's name for the .html source's text.
    EXPECT_EQ(docFolder(), (std::set<std::wstring>{L"本文.doc", L"本文.txt", L"本文.html",
                                                    L"旧ページ.html", L"旧ページ..txt",
                                                    L"見出し.htm", L"見出し.txt", L"見出し.html"}));
}

}  // namespace
}  // namespace quill::e2e::test
