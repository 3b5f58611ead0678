// Pages that cannot be made: the run goes on with the others and counts them.
#include <gtest/gtest.h>

#include "expected_page.h"
#include "session.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

using Failures = QuillmarkTest;

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Failures, MissingTextsAndBlockedPagesAreCountedAndTheOtherPagesWritten) {
    const std::wstring good = document(L"良い.doc", "ok\r\n");
    const std::wstring broken = document(L"壊れ.xls", "#fail\r\nnever\r\n");  // no text output
    const std::wstring blocked = document(L"塞がれ.ppt", "x");
    // A folder where the page would go: unlike a read-only file, it stops root too.
    ASSERT_TRUE(CreateDirectoryW(docPath(L"塞がれ.html").c_str(), nullptr));
    const std::string goodPage =
        expectedPage("\x97\xC7\x82\xA2", {"<P>ok<br>", "<br>", "</P><br>"});

    dropDocuments(Target::text1, {good, broken, blocked});
    expectUsualRun(runHtml());
    expectIdleAfterRun(pagesFailed(2));
    EXPECT_EQ(converterLog().size(), 3u);
    EXPECT_EQ(readFileBytes(docPath(L"良い.html")), goodPage);
    EXPECT_TRUE(fileExists(docPath(L"塞がれ.txt"))) << "the blocked source was not converted";
    EXPECT_TRUE(isFolder(docPath(L"塞がれ.html")));
    EXPECT_FALSE(fileExists(docPath(L"壊れ.html")));

    // Without the converter no new text appears: both new pages fail; the two
    // earlier failures were told once and are not tried again; the earlier
    // good page is written again.
    ASSERT_TRUE(DeleteFileW((appDir() + L"\\xdoc2txt.exe").c_str()));
    ASSERT_TRUE(DeleteFileW(docPath(L"良い.html").c_str()));
    const std::wstring new1 = document(L"新規 1.doc", "one\r\n");
    const std::wstring new2 = document(L"新規 2.rtf", "two\r\n");
    dropDocuments(Target::text1, {new1, new2});
    expectUsualRun(runHtml());
    expectIdleAfterRun(pagesFailed(2));
    EXPECT_EQ(converterLog().size(), 3u) << "a converter ran although none is installed";
    EXPECT_EQ(readFileBytes(docPath(L"良い.html")), goodPage);
    EXPECT_FALSE(fileExists(docPath(L"新規 1.html")));
    EXPECT_FALSE(fileExists(docPath(L"新規 2.html")));
    EXPECT_TRUE(isFolder(docPath(L"塞がれ.html")));
}

// A failed conversion next to an old text of the same name, and a path the
// console would rewrite: neither makes a page, both are counted.
TEST_F(Failures, NoPageFromAnOldTextNorFromAPathTheConsoleWouldRewrite) {
    const std::wstring failing = document(L"古い.doc", "#fail\r\nnew\r\n");
    (void)oldDocument(L"古い.txt", "old\r\n");
    const std::string oldPage = "<html>old page</html>\r\n";
    (void)oldDocument(L"古い.html", oldPage);
    const std::wstring rewritten = document(L"%OS%.doc", "os\r\n");  // would be Windows_NT.doc
    const std::wstring unset = document(L"%NOSUCH% 50%.doc", "kept\r\n");

    dropDocuments(Target::text1, {failing, unset, rewritten});
    expectUsualRun(runHtml());
    expectIdleAfterRun(pagesFailed(2));
    EXPECT_EQ(converterLog(),
              (std::vector<std::wstring>{commandFor(unset), commandFor(failing)}));
    EXPECT_EQ(readFileBytes(docPath(L"古い.html")), oldPage);
    EXPECT_EQ(readFileBytes(docPath(L"古い.txt")), "old\r\n");
    EXPECT_EQ(readFileBytes(docPath(L"%NOSUCH% 50%.html")),
              expectedPage("%NOSUCH% 50%", {"<P>kept<br>", "<br>", "</P><br>"}));
    EXPECT_EQ(docFolder(), (std::set<std::wstring>{L"古い.doc", L"古い.txt", L"古い.html",
                                                    L"%OS%.doc", L"%NOSUCH% 50%.doc",
                                                    L"%NOSUCH% 50%.txt", L"%NOSUCH% 50%.html"}));
}

}  // namespace
}  // namespace quill::e2e::test
