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

[[nodiscard]] std::wstring program_folder() {
    return helper_path(L"導入 program");
}

[[nodiscard]] std::wstring fetched(std::wstring_view name) {
    return helper_path(L"documents\\") + std::wstring(name);
}

// Why the documents are not there; empty when they are.
[[nodiscard]] std::string documents_missing() {
    if (auto why = read_file_bytes(fetched(L"unavailable"))) return *why;
    return file_exists(fetched(L"ready")) ? std::string() : "not fetched";
}

// Under CI (CI=true) the documents must be there.
[[nodiscard]] bool under_ci() {
    wchar_t ci[8] = {};
    return GetEnvironmentVariableW(L"CI", ci, 8) == 4 && std::wstring_view(ci) == L"true";
}

// A phrase of every Japanese paragraph that the made documents hold: its first
// run of at least eight non-ASCII characters, at most twenty of them.
[[nodiscard]] Lines paragraph_phrases() {
    Lines phrases;
    for (const std::wstring& line : read_utf8_lines(fetched(L"ja-paragraphs.txt"))) {
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
[[nodiscard]] Lines missing_from(const std::string& cp932_text, const Lines& phrases) {
    Lines missing;
    for (const auto& phrase : phrases)
        if (cp932_text.find(cp932(phrase)) == std::string::npos) missing.push_back(phrase);
    return missing;
}

// Time enough for LibreOffice and a long PDF on a busy machine: a safety net.
constexpr DWORD kRealRunLimit = 600000;

TEST(ProgramFolder, BridgeGivesTheLinuxConvertersTextInCp932AndItsMessages) {
    if (const auto why = documents_missing(); !why.empty()) {
        if (under_ci()) GTEST_FAIL() << why;
        GTEST_SKIP() << why;
    }
    TempDir root(L"quill program");
    const std::wstring docs = root.subdir(L"書類 フォルダ");
    OwnConsole console;

    const std::wstring table = docs + L"\\表 97.xls";
    ASSERT_TRUE(CopyFileW(fetched(L"Test97J.xls").c_str(), table.c_str(), FALSE));
    EXPECT_EQ(console.run(cmd_c(converter_command(program_folder(), table)), kRealRunLimit), 0u);
    EXPECT_EQ(console.screen(), Lines{});
    const std::string text = read_file_bytes(docs + L"\\表 97.txt").value_or("");
    EXPECT_EQ(missing_from(text, {L"漢字も入る\t漢字のデータ", L"ASC\tThis Data is 'ASC Only'"}),
              Lines{});
    EXPECT_NE(text.find("\r\n"), std::string::npos) << "lines end in CR LF";

    // The converter names the source by its Unix path, in UTF-8: the console
    // shows it as it is.
    const std::wstring missing = docs + L"\\無い 文書.doc";
    EXPECT_EQ(console.run(cmd_c(converter_command(program_folder(), missing)), kRealRunLimit), 3u);
    const Lines screen = console.screen();
    ASSERT_EQ(screen.size(), 1u);
    EXPECT_TRUE(screen[0].starts_with(L"xdoc2txt: " + from_utf8(wine_unix_path(missing)) + L": "))
        << to_utf8(screen[0]);
}

class InstalledQuillmark : public QuillmarkTest {
protected:
    void SetUp() override {
        if (const auto why = documents_missing(); !why.empty()) {
            if (under_ci()) GTEST_FAIL() << why;
            GTEST_SKIP() << why;
        }
        QuillmarkTest::SetUp();
    }

    void install() override {
        use_app_dir(program_folder());
        ASSERT_TRUE(file_exists(program_folder() + L"\\linux\\xdoc2txt"))
            << "no program folder: install.ProgramFolder makes it";
    }

    std::wstring copy_document(std::wstring_view fetched_name, std::wstring_view name) const {
        std::wstring path = doc_path(name);
        EXPECT_TRUE(CopyFileW(fetched(fetched_name).c_str(), path.c_str(), FALSE));
        return path;
    }

    // The page of a source named title + an extension holds the phrases.
    void expect_page_with(std::wstring_view title, const Lines& phrases) const {
        const std::wstring name = std::wstring(title) + L".html";
        const auto page = read_file_bytes(doc_path(name));
        ASSERT_TRUE(page.has_value()) << "no page " << to_utf8(name);
        EXPECT_NE(page->find("<title>Quillmark - " + cp932(title) + "</title>"), std::string::npos)
            << to_utf8(name);
        EXPECT_EQ(missing_from(*page, phrases), Lines{}) << "phrases missing in " << to_utf8(name);
    }
};

TEST_F(InstalledQuillmark, PdfXlsAndDocBecomePagesThroughTheLinuxConverter) {
    const std::wstring pdf =
        copy_document(L"developers-reference-ja.pdf", L"開発者 リファレンス.pdf");
    const std::wstring xls = copy_document(L"Test97J.xls", L"表 97.xls");
    const std::wstring doc = copy_document(L"ja-libreoffice.doc", L"文書 (日本語).doc");
    drop_documents(Target::form, {pdf, xls, doc});
    expect_usual_run(run_html(kRealRunLimit));
    expect_idle_after_run(kPrompt);

    expect_page_with(L"開発者 リファレンス",
                     {L"パッケージの移動", L"メーリングリストとウェブページ"});
    expect_page_with(L"表 97", {L"漢字も入る\t漢字のデータ", L"INTEGER\t12345"});
    const Lines paragraphs = paragraph_phrases();
    EXPECT_GE(paragraphs.size(), 4u);
    expect_page_with(L"文書 (日本語)", paragraphs);
    EXPECT_EQ(doc_folder(),
              (std::set<std::wstring>{L"開発者 リファレンス.pdf", L"開発者 リファレンス.txt",
                                      L"開発者 リファレンス.html", L"表 97.xls", L"表 97.txt",
                                      L"表 97.html", L"文書 (日本語).doc", L"文書 (日本語).txt",
                                      L"文書 (日本語).html"}));
}

}  // namespace
}  // namespace quill::e2e::test
