// The installed program folder under Wine: Quillmark.exe, xdoc2txt.exe for Wine
// and the Linux converter linux/xdoc2txt, on real documents from Debian packages.
// The test install.ProgramFolder installs the folder beside this test, and
// e2e.FetchDocuments fetches the documents into "documents" beside it.
#include <gtest/gtest.h>

#include "own_console.h"
#include "session.h"
#include "support.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

using Lines = std::vector<std::wstring>;

[[nodiscard]] std::wstring programFolder() {
    return helperPath(L"導入 program");
}

[[nodiscard]] std::wstring fetched(std::wstring_view name) {
    return helperPath(L"documents\\") + std::wstring(name);
}

// Why the documents are not there; empty when they are.
[[nodiscard]] std::string documentsMissing() {
    if (auto why = readFileBytes(fetched(L"unavailable"))) return *why;
    return fileExists(fetched(L"ready")) ? std::string() : "not fetched";
}

// Under CI (CI=true) the documents must be there.
[[nodiscard]] bool underCi() {
    wchar_t ci[8] = {};
    return GetEnvironmentVariableW(L"CI", ci, 8) == 4 && std::wstring_view(ci) == L"true";
}

// A phrase of every Japanese paragraph that the made documents hold: its first
// run of at least eight non-ASCII characters, at most twenty of them.
[[nodiscard]] Lines paragraphPhrases() {
    Lines phrases;
    for (const std::wstring& line : readUtf8Lines(fetched(L"ja-paragraphs.txt"))) {
        for (size_t i = 0; i < line.size();) {
            size_t end = i;
            while (end < line.size() && line[end] >= 0x80) ++end;
            if (end - i >= 8) {
                phrases.push_back(line.substr(i, std::min<size_t>(end - i, 20)));
                break;
            }
            i = end + 1;
        }
    }
    return phrases;
}

// Which phrases a text in code page 932 lacks.
[[nodiscard]] Lines missingFrom(const std::string& cp932Text, const Lines& phrases) {
    Lines missing;
    for (const auto& phrase : phrases)
        if (cp932Text.find(cp932(phrase)) == std::string::npos) missing.push_back(phrase);
    return missing;
}

// Time enough for LibreOffice and a long PDF on a busy machine: a safety net.
constexpr DWORD kRealRunLimit = 600000;

TEST(ProgramFolder, BridgeGivesTheLinuxConvertersTextInCp932AndItsMessages) {
    if (const auto why = documentsMissing(); !why.empty()) {
        if (underCi()) GTEST_FAIL() << why;
        GTEST_SKIP() << why;
    }
    TempDir root(L"quill program");
    const std::wstring docs = root.subdir(L"書類 フォルダ");
    OwnConsole console;

    const std::wstring table = docs + L"\\表 97.xls";
    ASSERT_TRUE(CopyFileW(fetched(L"Test97J.xls").c_str(), table.c_str(), FALSE));
    EXPECT_EQ(console.run(cmdC(converterCommand(programFolder(), table)), kRealRunLimit), 0u);
    EXPECT_EQ(console.screen(), Lines{});
    const std::string text = readFileBytes(docs + L"\\表 97.txt").value_or("");
    EXPECT_EQ(missingFrom(text, {L"漢字も入る\t漢字のデータ", L"ASC\tThis Data is 'ASC Only'"}),
              Lines{});
    EXPECT_NE(text.find("\r\n"), std::string::npos) << "lines end in CR LF";

    // The converter names the source by its Unix path, in UTF-8: the console
    // shows it as it is.
    const std::wstring missing = docs + L"\\無い 文書.doc";
    EXPECT_EQ(console.run(cmdC(converterCommand(programFolder(), missing)), kRealRunLimit), 3u);
    const Lines screen = console.screen();
    ASSERT_EQ(screen.size(), 1u);
    EXPECT_TRUE(screen[0].starts_with(L"xdoc2txt: " + fromUtf8(wineUnixPath(missing)) + L": "))
        << toUtf8(screen[0]);
}

class InstalledQuillmark : public QuillmarkTest {
protected:
    void SetUp() override {
        if (const auto why = documentsMissing(); !why.empty()) {
            if (underCi()) GTEST_FAIL() << why;
            GTEST_SKIP() << why;
        }
        QuillmarkTest::SetUp();
    }

    void install() override {
        useAppDir(programFolder());
        ASSERT_TRUE(fileExists(programFolder() + L"\\linux\\xdoc2txt"))
            << "no program folder: install.ProgramFolder makes it";
    }

    std::wstring copyDocument(std::wstring_view fetchedName, std::wstring_view name) const {
        std::wstring path = docPath(name);
        EXPECT_TRUE(CopyFileW(fetched(fetchedName).c_str(), path.c_str(), FALSE));
        return path;
    }

    // The page of a source named title + an extension holds the phrases.
    void expectPageWith(std::wstring_view title, const Lines& phrases) const {
        const std::wstring name = std::wstring(title) + L".html";
        const auto page = readFileBytes(docPath(name));
        ASSERT_TRUE(page.has_value()) << "no page " << toUtf8(name);
        EXPECT_NE(page->find("<title>Quillmark - " + cp932(title) + "</title>"), std::string::npos)
            << toUtf8(name);
        EXPECT_EQ(missingFrom(*page, phrases), Lines{}) << "phrases missing in " << toUtf8(name);
    }
};

TEST_F(InstalledQuillmark, PdfXlsAndDocBecomePagesThroughTheLinuxConverter) {
    const std::wstring pdf =
        copyDocument(L"developers-reference-ja.pdf", L"開発者 リファレンス.pdf");
    const std::wstring xls = copyDocument(L"Test97J.xls", L"表 97.xls");
    const std::wstring doc = copyDocument(L"ja-libreoffice.doc", L"文書 (日本語).doc");
    dropDocuments(Target::form, {pdf, xls, doc});
    expectUsualRun(runHtml(kRealRunLimit));
    expectIdleAfterRun(kPrompt);

    expectPageWith(L"開発者 リファレンス",
                     {L"パッケージの移動", L"メーリングリストとウェブページ"});
    expectPageWith(L"表 97", {L"漢字も入る\t漢字のデータ", L"INTEGER\t12345"});
    const Lines paragraphs = paragraphPhrases();
    EXPECT_GE(paragraphs.size(), 4u);
    expectPageWith(L"文書 (日本語)", paragraphs);
    EXPECT_EQ(docFolder(),
              (std::set<std::wstring>{L"開発者 リファレンス.pdf", L"開発者 リファレンス.txt",
                                      L"開発者 リファレンス.html", L"表 97.xls", L"表 97.txt",
                                      L"表 97.html", L"文書 (日本語).doc", L"文書 (日本語).txt",
                                      L"文書 (日本語).html"}));
}

}  // namespace
}  // namespace quill::e2e::test
