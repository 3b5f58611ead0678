// Pages that cannot be made: the run goes on with the others and counts them.
#include <gtest/gtest.h>

#include "expected_page.h"
#include "session.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

using Failures = QuillmarkTest;

bool is_folder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Failures, MissingTextsAndBlockedPagesAreCountedAndTheOtherPagesWritten) {
    const std::wstring good = document(L"良い.doc", "ok\r\n");
    const std::wstring broken = document(L"壊れ.xls", "#fail\r\nnever\r\n");  // no text output
    const std::wstring blocked = document(L"塞がれ.ppt", "x");
    // A folder where the page would go: unlike a read-only file, it stops root too.
    ASSERT_TRUE(CreateDirectoryW(doc_path(L"塞がれ.html").c_str(), nullptr));
    const std::string good_page =
        expected_page("\x97\xC7\x82\xA2", {"<P>ok<br>", "<br>", "</P><br>"});

    drop_documents(Target::text1, {good, broken, blocked});
    expect_usual_run(run_html());
    expect_idle_after_run(pages_failed(2));
    EXPECT_EQ(converter_log().size(), 3u);
    EXPECT_EQ(read_file_bytes(doc_path(L"良い.html")), good_page);
    EXPECT_TRUE(file_exists(doc_path(L"塞がれ.txt"))) << "the blocked source was not converted";
    EXPECT_TRUE(is_folder(doc_path(L"塞がれ.html")));
    EXPECT_FALSE(file_exists(doc_path(L"壊れ.html")));

    // Without the converter no new text appears: both new pages fail; the two
    // earlier failures were told once and are not tried again; the earlier
    // good page is written again.
    ASSERT_TRUE(DeleteFileW((app_dir() + L"\\xdoc2txt.exe").c_str()));
    ASSERT_TRUE(DeleteFileW(doc_path(L"良い.html").c_str()));
    const std::wstring new1 = document(L"新規 1.doc", "one\r\n");
    const std::wstring new2 = document(L"新規 2.rtf", "two\r\n");
    drop_documents(Target::text1, {new1, new2});
    expect_usual_run(run_html());
    expect_idle_after_run(pages_failed(2));
    EXPECT_EQ(converter_log().size(), 3u) << "a converter ran although none is installed";
    EXPECT_EQ(read_file_bytes(doc_path(L"良い.html")), good_page);
    EXPECT_FALSE(file_exists(doc_path(L"新規 1.html")));
    EXPECT_FALSE(file_exists(doc_path(L"新規 2.html")));
    EXPECT_TRUE(is_folder(doc_path(L"塞がれ.html")));
}

// A failed conversion next to an old text of the same name, and a path the
// console would rewrite: neither makes a page, both are counted.
TEST_F(Failures, NoPageFromAnOldTextNorFromAPathTheConsoleWouldRewrite) {
    const std::wstring failing = document(L"古い.doc", "#fail\r\nnew\r\n");
    (void)old_document(L"古い.txt", "old\r\n");
    const std::string old_page = "<html>old page</html>\r\n";
    (void)old_document(L"古い.html", old_page);
    const std::wstring rewritten = document(L"%OS%.doc", "os\r\n");  // would be Windows_NT.doc
    const std::wstring unset = document(L"%NOSUCH% 50%.doc", "kept\r\n");

    drop_documents(Target::text1, {failing, unset, rewritten});
    expect_usual_run(run_html());
    expect_idle_after_run(pages_failed(2));
    EXPECT_EQ(converter_log(),
              (std::vector<std::wstring>{command_for(unset), command_for(failing)}));
    EXPECT_EQ(read_file_bytes(doc_path(L"古い.html")), old_page);
    EXPECT_EQ(read_file_bytes(doc_path(L"古い.txt")), "old\r\n");
    EXPECT_EQ(read_file_bytes(doc_path(L"%NOSUCH% 50%.html")),
              expected_page("%NOSUCH% 50%", {"<P>kept<br>", "<br>", "</P><br>"}));
    EXPECT_EQ(doc_folder(), (std::set<std::wstring>{L"古い.doc", L"古い.txt", L"古い.html",
                                                    L"%OS%.doc", L"%NOSUCH% 50%.doc",
                                                    L"%NOSUCH% 50%.txt", L"%NOSUCH% 50%.html"}));
}

}  // namespace
}  // namespace quill::e2e::test
