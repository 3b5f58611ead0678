#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "child_process.h"
#include "environment.h"
#include "process_end.h"

namespace xdoc2txt {
namespace {

using namespace std::chrono_literals;
using test::ends;

Command shell(std::string script, std::vector<std::string> args = {}) {
    Command command{"/bin/sh", {"-c", std::move(script), "sh"}};
    command.args.insert(command.args.end(), args.begin(), args.end());
    command.timeLimit = 60s;
    return command;
}

const ProcessRunner& runner() {
    static const ProcessRunner instance({"PATH=/usr/bin:/bin", "MARK=set"});
    return instance;
}

TEST(ChildProcess, ArgumentsArriveAsGivenAndOutputIsCaptured) {
    const std::vector<std::string> args = {"-f",          "a b",        "'q' \"d\"", "$HOME;x",
                                           "line\nbreak", "日本語.doc", ""};
    const ProcessResult result =
        runner().run(shell("printf '[%s]' \"$@\"; echo \"$MARK\" >&2; exit 3", args));
    EXPECT_EQ(result.end, ProcessResult::End::kExited);
    EXPECT_EQ(result.code, 3);
    EXPECT_EQ(result.out, "[-f][a b]['q' \"d\"][$HOME;x][line\nbreak][日本語.doc][]");
    EXPECT_EQ(result.err, "set\n");
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(result.failure(1s), "exited with status 3: set");
}

TEST(ChildProcess, InputFileAndLongOutput) {
    const std::string name = ::testing::TempDir() + "/-in put 'x'.txt";
    std::ofstream(name) << "from the file";
    ProcessResult result = runner().run([&] {
        Command command = shell("cat; head -c 3000000 /dev/zero");
        command.input = name;
        return command;
    }());
    EXPECT_TRUE(result.succeeded());
    ASSERT_EQ(result.out.size(), 13u + 3000000u);
    EXPECT_EQ(result.out.substr(0, 13), "from the file");
    ::unlink(name.c_str());
}

TEST(ChildProcess, TimeLimitKillsTheWholeGroup) {
    // The child leaves a grandchild behind and waits; both must be gone.
    const std::string pidFile = ::testing::TempDir() + "/grandchild.pid";
    ::unlink(pidFile.c_str());
    Command command = shell("sleep 600 & echo $! > \"$1\"; wait", {pidFile});
    command.timeLimit = 300ms;
    const ProcessResult result = runner().run(command);
    EXPECT_EQ(result.end, ProcessResult::End::kTimedOut);
    EXPECT_EQ(result.failure(command.timeLimit), "timed out after 0.3 s");
    pid_t grandchild = 0;
    ASSERT_TRUE(std::ifstream(pidFile) >> grandchild);
    EXPECT_TRUE(ends(grandchild));
    ::unlink(pidFile.c_str());
}

TEST(ChildProcess, StrayProcessesEndWithTheirReader) {
    const std::string pidFile = ::testing::TempDir() + "/stray.pid";
    const ProcessResult result =
        runner().run(shell("sleep 600 >/dev/null 2>&1 & echo $! > \"$1\"; echo done", {pidFile}));
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(result.out, "done\n");
    pid_t stray = 0;
    ASSERT_TRUE(std::ifstream(pidFile) >> stray);
    EXPECT_TRUE(ends(stray));
    ::unlink(pidFile.c_str());
}

TEST(ChildProcess, SignalsAndProgramsThatCannotStart) {
    const ProcessResult killed = runner().run(shell("kill -9 $$"));
    EXPECT_EQ(killed.end, ProcessResult::End::kSignaled);
    EXPECT_EQ(killed.code, SIGKILL);
    const ProcessResult missing = runner().run(Command{"/nonexistent/tool", {}});
    EXPECT_EQ(missing.end, ProcessResult::End::kNotStarted);
    EXPECT_EQ(missing.failure(1s), "could not be started: No such file or directory");
    const ProcessResult noInput = runner().run([] {
        Command command = shell("cat");
        command.input = "/nonexistent/input";
        return command;
    }());
    EXPECT_EQ(noInput.end, ProcessResult::End::kNotStarted);
}

TEST(ReaderEnvironment, DropsWhatMisleadsReaders) {
    const char* const inherited[] = {"LD_PRELOAD=/x.so",
                                     "LD_LIBRARY_PATH=/wine/lib",
                                     "WINEPREFIX=/p",
                                     "WINELOADERNOEXEC=1",
                                     "PYTHONPATH=/pyenv",
                                     "LANG=ja_JP.UTF-8",
                                     "LC_CTYPE=ja_JP.SJIS",
                                     "LANGUAGE=ja",
                                     "HOME=/old",
                                     "PATH=/old",
                                     "DISPLAY=:9",
                                     "TMPDIR=/tmp/t",
                                     "NOEQUALS",
                                     nullptr};
    const std::vector<std::string> environment =
        readerEnvironment(inherited, "/home/u", {"/usr/bin", "/bin"});
    EXPECT_EQ(environment,
              (std::vector<std::string>{"DISPLAY=:9", "TMPDIR=/tmp/t", "PATH=/usr/bin:/bin",
                                        "HOME=/home/u", "LC_ALL=C.UTF-8"}));
}

TEST(CacheFolder, UnderTheCacheHomeElseTheTemporaryFolder) {
    namespace fs = std::filesystem;
    const std::string base = ::testing::TempDir() + "/cache-folder-test";
    fs::remove_all(base);
    fs::create_directories(base + "/blocked");
    std::ofstream(base + "/blocked/xdoc2txt") << "a file where the folder would be";
    ::setenv("TMPDIR", (base + "/tmp").c_str(), 1);
    fs::create_directory(base + "/tmp");

    ::setenv("XDG_CACHE_HOME", (base + "/cache").c_str(), 1);
    EXPECT_EQ(cacheFolder(), base + "/cache/xdoc2txt");
    EXPECT_EQ(fs::status(base + "/cache/xdoc2txt").permissions(), fs::perms::owner_all);
    ::setenv("XDG_CACHE_HOME", (base + "/blocked").c_str(), 1);
    EXPECT_EQ(cacheFolder(), base + "/tmp/xdoc2txt-" + std::to_string(::getuid()));
    // Someone else's link in its place is not taken.
    fs::remove(base + "/tmp/xdoc2txt-" + std::to_string(::getuid()));
    fs::create_directory_symlink(base, base + "/tmp/xdoc2txt-" + std::to_string(::getuid()));
    EXPECT_EQ(cacheFolder(), "");
    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("TMPDIR");
    fs::remove_all(base);
}

TEST(SearchPath, AbsoluteEntriesOnly) {
    EXPECT_EQ(searchPath("/opt/bin::.:bin:/usr/bin"),
              (std::vector<std::string>{"/opt/bin", "/usr/bin"}));
    EXPECT_EQ(searchPath(nullptr),
              (std::vector<std::string>{"/usr/local/bin", "/usr/bin", "/bin"}));
    EXPECT_EQ(searchPath("relative"), searchPath(""));
    EXPECT_EQ(findProgram("sh", {"/nonexistent", "/bin"}), "/bin/sh");
    EXPECT_EQ(findProgram("no-such-tool-here", {"/bin"}), std::nullopt);
    EXPECT_EQ(findProgram("/bin", {}), std::nullopt);  // a folder is no program
}

TEST(LastLine, TheLastLineWithText) {
    EXPECT_EQ(lastLine("Warning: x\nError: the real reason\n\n  \n"), "Error: the real reason");
    EXPECT_EQ(lastLine("only\r\n"), "only");
    EXPECT_EQ(lastLine(""), "");
    EXPECT_EQ(lastLine(std::string(300, 'x')), std::string(200, 'x') + "...");
}

}  // namespace
}  // namespace xdoc2txt
