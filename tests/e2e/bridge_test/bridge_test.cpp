// xdoc2txt.exe for Wine, run by cmd.exe as Quillmark's console runs it, in front
// of a fake Linux converter (helpers/fake_linux_converter.sh) that records what
// reaches it and answers as its source document tells it to.
#include <gtest/gtest.h>

#include <set>

#include "own_console.h"
#include "support.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

using Lines = std::vector<std::wstring>;

class Bridge : public ::testing::Test {
protected:
    // The command Quillmark pastes, as "cmd /c" runs it.
    static std::wstring command(const std::wstring& appDir, const std::wstring& source,
                                const std::wstring& redirect = {}) {
        return cmdC(converterCommand(appDir, source) + redirect);
    }

    std::wstring document(std::wstring_view name, std::string_view bytes) const {
        std::wstring path = docs_ + L"\\" + std::wstring(name);
        EXPECT_TRUE(writeFileBytes(path, bytes)) << "cannot write " << toUtf8(path);
        return path;
    }

    // What the fake converter recorded for a source.
    static Lines callOf(const std::wstring& source) { return readUtf8Lines(source + L".args"); }

    // The bridge beside the fake converter, in a folder with a space and Japanese.
    const std::wstring app_ = helperPath(L"橋 bridge");
    TempDir root_{L"quill bridge"};
    std::wstring docs_ = root_.subdir(L"書類 フォルダ");
    OwnConsole console_;
};

TEST_F(Bridge, EveryNameReachesTheConverterAsItsExactUnixPath) {
    ASSERT_EQ(GetACP(), 932u) << "the tests run with LANG=ja_JP.UTF-8";
    const std::string docsUnix = wineUnixPath(docs_);
    ASSERT_EQ(docsUnix.substr(0, 1), "/");
    // Characters that quoting, the shell, cmd or an option parser could take
    // for something else.
    const std::vector<std::wstring> names = {L"報告 書.doc", L"50% off; $HOME %d $(id).xls",
                                             L"-rf it's.ppt", L"`id` & (x) ^!.pdf", L"-f.rtf"};
    std::set<std::wstring> expectedFolder;
    for (const auto& name : names) {
        SCOPED_TRACE(toUtf8(name));
        const std::wstring source = document(name, "body of " + toUtf8(name) + "\n");
        EXPECT_EQ(console_.run(command(app_, source)), 0u);
        EXPECT_EQ(callOf(source), (Lines{L"encoding=CP932", L"arg=-f",
                                          L"arg=" + fromUtf8(docsUnix) + L"/" + name}));
        const std::wstring text = name.substr(0, name.size() - 4) + L".txt";
        EXPECT_EQ(readFileBytes(docs_ + L"\\" + text), "body of " + toUtf8(name) + "\n");
        expectedFolder.insert({name, name + L".args", text});
    }
    EXPECT_EQ(fileNames(docs_), expectedFolder) << "no other file may be read or written";
}

TEST_F(Bridge, TheConvertersStatusAndMessagesComeBack) {
    struct Case {
        const char* directives;
        DWORD status;
        Lines screen;
    };
    const Case cases[] = {
        {"", 0, {}},
        {"stderr 変換しました\n", 0, {L"変換しました"}},
        {"exit 2\nstderr usage: xdoc2txt -f SOURCE\n", 2, {L"usage: xdoc2txt -f SOURCE"}},
        {"exit 3\nstdout 一行目\nstdout line 2\nstderr 読めません: 報告.doc\n",
         3,
         {L"一行目", L"line 2", L"読めません: 報告.doc"}},
        {"exit 9\n", 9, {}},
        {"exit 255\nstderr x\n", 255, {L"x"}},
    };
    const auto captures = [] {
        wchar_t temp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        size_t count = 0;
        for (const auto& name : fileNames(std::wstring(temp, n)))
            count += name.starts_with(L"x2t") ? 1u : 0u;
        return count;
    };
    const size_t capturesBefore = captures();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.directives);
        const std::wstring source = document(L"文書 a.doc", c.directives);
        EXPECT_EQ(console_.run(command(app_, source)), c.status);
        EXPECT_EQ(console_.screen(), c.screen);
        ASSERT_TRUE(DeleteFileW((source + L".args").c_str()));
    }
    EXPECT_EQ(captures(), capturesBefore) << "the output captures must be removed";
}

TEST_F(Bridge, RedirectedMessagesAreInTheAnsiCodePageWithCrLf) {
    const std::wstring source =
        document(L"表示.doc", "exit 4\nstdout 表示ソフト ｱｲｳ\nstderr 変換できません\n");
    const std::wstring out = root_.path() + L"\\out.txt";
    const std::wstring err = root_.path() + L"\\err.txt";
    EXPECT_EQ(console_.run(command(app_, source, L" >\"" + out + L"\" 2>\"" + err + L"\"")), 4u);
    EXPECT_EQ(readFileBytes(out), cp932(L"表示ソフト ｱｲｳ\r\n"));
    EXPECT_EQ(readFileBytes(err), cp932(L"変換できません\r\n"));
    EXPECT_EQ(console_.screen(), Lines{});
}

TEST_F(Bridge, MissingPiecesAreOneLineAndAFailure) {
    const std::wstring astray = docs_ + L"\\無い フォルダ\\a.doc";
    EXPECT_EQ(console_.run(command(app_, astray)), 3u);
    EXPECT_EQ(console_.screen(), Lines{L"xdoc2txt: " + astray + L": no such folder"});

    const std::wstring lonely = root_.subdir(L"アプリ のみ");
    ASSERT_TRUE(
        CopyFileW((app_ + L"\\xdoc2txt.exe").c_str(), (lonely + L"\\xdoc2txt.exe").c_str(), FALSE));
    const std::wstring source = document(L"a.doc", "stderr not run\n");
    const auto status = console_.run(command(lonely, source));
    // Not a code of the converter's.
    ASSERT_TRUE(status.has_value());
    EXPECT_GE(*status, 8u);
    EXPECT_EQ(console_.screen(),
              Lines{L"xdoc2txt: the Linux converter is missing: " + lonely + L"\\linux\\xdoc2txt"});
    EXPECT_EQ(fileNames(docs_), std::set<std::wstring>{L"a.doc"});
}

TEST_F(Bridge, UsageErrorsRunNoConverter) {
    const std::wstring source = document(L"a.doc", "stderr not run\n");
    const std::wstring exe = L"\"" + app_ + L"\\xdoc2txt\"";
    for (const std::wstring& args : {std::wstring(), std::wstring(L" -f"), L" \"" + source + L"\"",
                                     L" -f \"" + source + L"\" \"" + source + L"\"",
                                     L" -x \"" + source + L"\"", std::wstring(L" -f \"\"")}) {
        SCOPED_TRACE(toUtf8(args));
        EXPECT_EQ(console_.run(cmdC(exe + args)), 2u);
        EXPECT_EQ(console_.screen(), Lines{L"xdoc2txt: usage: xdoc2txt -f SOURCE"});
    }
    EXPECT_EQ(fileNames(docs_), std::set<std::wstring>{L"a.doc"});
}

}  // namespace
}  // namespace quill::e2e::test
