// The xdoc2txt stand-in, run as Quillmark runs it: by cmd.exe in a console window.
#include <gtest/gtest.h>

#include "support.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

class ConverterInConsole : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileW(helperPath(L"xdoc2txt.exe").c_str(),
                              (tools_ + L"\\xdoc2txt.exe").c_str(), FALSE));
        ASSERT_TRUE(writeFileBytes(log_, ""));  // its presence turns logging on
    }

    std::wstring commandFor(const std::wstring& source) const {
        return converterCommand(tools_, source);
    }

    // Runs the converter on source through "cmd /c" in a console of its own.
    std::optional<DWORD> convert(const std::wstring& source) const {
        return run(cmdC(commandFor(source)), Console::own);
    }

    std::wstring document(const std::wstring& name, const std::string& bytes) const {
        std::wstring path = docs_ + L"\\" + name;
        EXPECT_TRUE(writeFileBytes(path, bytes));
        return path;
    }

    TempDir root_{L"quill e2e 変換"};
    std::wstring tools_ = root_.subdir(L"ツール dir");
    std::wstring docs_ = root_.subdir(L"書類 フォルダ");
    std::wstring log_ = tools_ + L"\\xdoc2txt.log";
};

TEST_F(ConverterInConsole, CopiesSourceBytesVerbatimAndLogsTheCommand) {
    // Shift-JIS with 0x5C trail bytes (表, ソ), half-width kana, CR LF, a bare LF,
    // a NUL and a byte that is no character: all must come back untouched.
    const std::string bytes = cp932(L"表示ソフト ｱｲｳ\r\n第二行\n") + std::string("\0\xFF end", 6);
    const std::wstring source = document(L"報告 書.DOC", bytes);

    EXPECT_EQ(convert(source), 0u);

    const std::wstring output = docs_ + L"\\報告 書.txt";
    EXPECT_EQ(readFileBytes(output), bytes);
    EXPECT_EQ(readUtf8Lines(log_), std::vector<std::wstring>{commandFor(source)});
}

TEST_F(ConverterInConsole, OutputNameDropsTheLastFourCharacters) {
    const std::wstring page = document(L"page.htm", "<p>x</p>");
    const std::wstring plain = document(L"memo.txt", "memo");

    EXPECT_EQ(convert(page), 0u);
    EXPECT_EQ(convert(plain), 0u);

    EXPECT_EQ(readFileBytes(docs_ + L"\\page.txt"), "<p>x</p>");
    EXPECT_EQ(readFileBytes(plain), "memo");  // the source is its own output
    EXPECT_EQ(readUtf8Lines(log_).size(), 2u);
}

TEST_F(ConverterInConsole, DirectivesMakeItMisbehaveAndAreNotCopied) {
    const std::wstring failing = document(L"fail.doc", "#fail\r\nbody\r\n");
    const std::wstring slow = document(L"slow.xls", "#sleep 300\nslow body\n");
    const std::wstring oddExit = document(L"exit.ppt", "#exit 7\r\n#sleep 10\r\nkept\r\n");
    const std::wstring notFirst = document(L"late.pdf", "text\n#fail\n");

    EXPECT_EQ(convert(failing), 1u);
    EXPECT_FALSE(fileExists(docs_ + L"\\fail.txt"));

    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(convert(slow), 0u);
    EXPECT_GE(GetTickCount64() - before, 300u);
    EXPECT_EQ(readFileBytes(docs_ + L"\\slow.txt"), "slow body\n");

    EXPECT_EQ(convert(oddExit), 7u);
    EXPECT_EQ(readFileBytes(docs_ + L"\\exit.txt"), "kept\r\n");

    EXPECT_EQ(convert(notFirst), 0u);
    EXPECT_EQ(readFileBytes(docs_ + L"\\late.txt"), "text\n#fail\n");

    EXPECT_EQ(readUtf8Lines(log_).size(), 4u) << "failing runs are logged too";
}

TEST_F(ConverterInConsole, MissingSourceWritesNothing) {
    const std::wstring missing = docs_ + L"\\無い.doc";
    EXPECT_EQ(convert(missing), 2u);
    EXPECT_FALSE(fileExists(docs_ + L"\\無い.txt"));
    EXPECT_EQ(readUtf8Lines(log_), std::vector<std::wstring>{commandFor(missing)});
}

}  // namespace
}  // namespace quill::e2e::test
