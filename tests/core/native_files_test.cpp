// Pages and texts on a POSIX file system are plain files: a page takes its
// name only once complete, replacing a link or FIFO there instead of writing
// through it; a text that is not a regular file fails at once.

#include "native_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace quill {
namespace {

namespace fs = std::filesystem;

class NativeFilesTest : public ::testing::Test {
protected:
    NativeFilesTest() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() / ("quill-native-" + std::to_string(::getpid()) +
                                               "-" + info->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    ~NativeFilesTest() override { fs::remove_all(folder_); }

    std::u16string path(const char* name) const {
        const std::string text = (folder_ / name).string();
        return std::u16string(text.begin(), text.end());  // ASCII names only
    }
    std::string contents(const char* name) const {
        std::ifstream in(folder_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void put(const char* name, const std::string& bytes) const {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    bool write(const char* name, const std::string& bytes, bool closed = true) const {
        std::unique_ptr<OutputFile> file = createNativeFile(path(name));
        return file && file->write(bytes) && (!closed || file->close());
    }

    fs::path folder_;
};

TEST_F(NativeFilesTest, APageReplacesWhatStandsAtItsNameOnlyWhenComplete) {
    put("elsewhere", "not a page");
    fs::create_symlink(folder_ / "elsewhere", folder_ / "link.html");
    ASSERT_EQ(::mkfifo((folder_ / "fifo.html").c_str(), 0600), 0);
    put("page.html", "the earlier page");
    ::chmod((folder_ / "page.html").c_str(), 0640);

    EXPECT_TRUE(write("link.html", "new"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder_ / "link.html")));
    EXPECT_EQ(contents("elsewhere"), "not a page");
    EXPECT_TRUE(write("fifo.html", "new"));  // no reader needed: it is replaced
    EXPECT_EQ(contents("fifo.html"), "new");

    // Unclosed (a failure half-way), the earlier page stays; closed, it
    // takes the place with the earlier page's mode.
    EXPECT_TRUE(write("page.html", "partial", false));
    EXPECT_EQ(contents("page.html"), "the earlier page");
    EXPECT_TRUE(write("page.html", "complete"));
    EXPECT_EQ(contents("page.html"), "complete");
    EXPECT_EQ(fs::status(folder_ / "page.html").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Nothing of the temporary files is left.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 4);
}

TEST_F(NativeFilesTest, AFolderOrAReadOnlyPageIsNotReplaced) {
    fs::create_directory(folder_ / "folder.html");
    put("locked.html", "kept");
    ::chmod((folder_ / "locked.html").c_str(), 0444);
    EXPECT_EQ(createNativeFile(path("folder.html")), nullptr);
    if (::geteuid() != 0) {  // root may write any file
        EXPECT_EQ(createNativeFile(path("locked.html")), nullptr);
        EXPECT_EQ(contents("locked.html"), "kept");
    }
}

TEST_F(NativeFilesTest, OnlyARegularFileIsReadAsAText) {
    ASSERT_EQ(::mkfifo((folder_ / "fifo.txt").c_str(), 0600), 0);
    put("text.txt", std::string(200000, 'x'));
    EXPECT_FALSE(readWholeNativeFile(path("fifo.txt")));  // at once: no writer needed
    EXPECT_FALSE(readWholeNativeFile(path(".")));
    const std::optional<FileBytes> text = readWholeNativeFile(path("text.txt"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->view(), std::string(200000, 'x'));
}

// Any name's bytes come back as they were: UTF-8 as its characters, other
// bytes (Shift-JIS from an old archive, a broken sequence) escaped one by one.
TEST(NativeNames, EveryNameRoundTrips) {
    EXPECT_EQ(nameFromBytes("\xe4\xbc\x9a\xe8\xad\xb0 cr\rname.doc"), u"会議 cr\rname.doc");
    EXPECT_EQ(nameFromBytes("\x82\xa0sjis"), u"\xdc82\xdca0sjis");
    for (const std::string& bytes :
         {std::string("\x82\xa0sjis.pdf"), std::string("\xed\xa0\x80 surrogate"),
          std::string("\xc0\xaf overlong \xf4\x90\x80\x80 too high"),
          std::string("cut \xe4\xbc"), std::string("\xf0\x9f\x93\x84 page")}) {
        EXPECT_EQ(toUtf8(nameFromBytes(bytes)), bytes);
    }
}

}  // namespace
}  // namespace quill
