#include "program_support.h"

#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

#include "process_end.h"

extern char** environ;

namespace xdoc2txt::test {
namespace {

namespace fs = std::filesystem;

std::string scratch() {
    return XDOC2TXT_SCRATCH;
}

std::string setting(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The folder of a started xdoc2txt's standard output and error.
std::string outputFolder(pid_t pid) {
    return scratch() + "/run-" + std::to_string(pid);
}

// "Suite.Test" of the test running.
std::string testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

}  // namespace

Folder::Folder(const std::string& suffix) : path_(scratch() + "/" + testName() + suffix) {
    fs::remove_all(path_);
    fs::create_directories(path_);
}

Folder::~Folder() {
    std::error_code error;
    if (!::testing::Test::HasFailure()) fs::remove_all(path_, error);
}

std::vector<std::string> Folder::names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

OwnCache::~OwnCache() {
    const std::vector<pid_t> left = processes("");
    for (const pid_t pid : left) ::kill(pid, SIGKILL);
    for (const pid_t pid : left) EXPECT_TRUE(ends(pid)) << "process " << pid << " is left";
}

std::vector<std::string> OwnCache::environment(std::vector<std::string> extra) const {
    extra.insert(extra.begin(), {"XDG_CACHE_HOME=" + path(), "XDOC2TXT_SOFFICE_IDLE=600"});
    return extra;
}

std::vector<pid_t> OwnCache::processes(const std::string& word) const {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string command = readFile("/proc/" + name + "/cmdline");  // empty for a zombie
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (command.find(path() + "/") != std::string::npos &&
            command.find(word) != std::string::npos) {
            found.push_back(std::stoi(name));
        }
    }
    return found;
}

std::vector<pid_t> OwnCache::offices() const {
    std::vector<pid_t> found = processes("--headless");
    std::erase_if(found, [](pid_t pid) {
        return readFile("/proc/" + std::to_string(pid) + "/comm") != "soffice.bin\n";
    });
    return found;
}

std::vector<std::string> environmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> environment = {
        "PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + setting("HOME"), "LANG=C.UTF-8",
        "XDG_CACHE_HOME=" + scratch() + "/cache", "XDOC2TXT_SOFFICE_IDLE=10"};
    // The sanitizers' settings reach a sanitized xdoc2txt.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name))
            environment.push_back(std::string(name) + "=" + value);
    }
    for (const std::string& variable : extra) {
        const std::string key = variable.substr(0, variable.find('=') + 1);
        std::erase_if(environment, [&](const std::string& v) { return v.starts_with(key); });
        if (variable.size() > key.size() || variable.find('=') != std::string::npos) {
            environment.push_back(variable);
        }
    }
    return environment;
}

pid_t startXdoc2txt(const std::vector<std::string>& args,
                    const std::vector<std::string>& extraEnvironment,
                    const std::string& workingFolder, const std::vector<std::string>& launcher) {
    fs::create_directories(scratch());
    // Standard output and error go to files named after the process, which
    // are opened only once it has its id: through a folder made for it.
    static std::atomic<int> counter{0};
    const std::string pending =
        scratch() + "/pending-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fs::create_directories(pending);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (pending + "/out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (pending + "/err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    }

    std::vector<std::string> argvStrings = launcher;
    argvStrings.push_back(XDOC2TXT_PROGRAM);
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStrings) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = environmentWith(extraEnvironment);
    std::vector<char*> envp;
    for (std::string& variable : envStrings) envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start xdoc2txt");
    fs::rename(pending, outputFolder(pid));
    return pid;
}

RunResult wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    RunResult run;
    if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    run.out = readFile(outputFolder(pid) + "/out");
    run.err = readFile(outputFolder(pid) + "/err");
    fs::remove_all(outputFolder(pid));
    return run;
}

RunResult runXdoc2txt(const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnvironment,
                      const std::string& workingFolder, const std::vector<std::string>& launcher) {
    return wait(startXdoc2txt(args, extraEnvironment, workingFolder, launcher));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    try {
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return {};  // a process's file in /proc, gone while it was read
    }
}

void writeFile(const std::string& path, const std::string& bytes, bool executable) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    if (executable) ::chmod(path.c_str(), 0755);
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string fromCp932(const std::string& bytes) {
    iconv_t cd = ::iconv_open("UTF-8", "CP932");
    std::string in = bytes;
    std::string out(in.size() * 3 + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t result = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (result == static_cast<std::size_t>(-1)) ADD_FAILURE() << "the text is not CP932";
    out.resize(out.size() - outLeft);
    return out;
}

std::string documentsFolder(std::string& why) {
    const std::string folder = XDOC2TXT_DOCUMENTS;
    if (exists(folder + "/ready")) return folder;
    why = exists(folder + "/unavailable") ? readFile(folder + "/unavailable")
                                          : "the fetch_documents fixture has not run";
    return {};
}

std::vector<std::string> paragraphPhrases(const std::string& documents) {
    std::vector<std::string> phrases;
    std::ifstream in(documents + "/ja-paragraphs.txt");
    for (std::string line; std::getline(in, line);) {
        // The first run of at least eight non-ASCII characters (24 bytes).
        std::size_t i = 0;
        while (i < line.size()) {
            std::size_t end = i;
            while (end < line.size() && static_cast<unsigned char>(line[end]) >= 0x80) ++end;
            if (end - i >= 24) {
                // At most 20 characters, cut between two of them.
                std::size_t length = std::min<std::size_t>(end - i, 60);
                while ((static_cast<unsigned char>(line[i + length]) & 0xC0) == 0x80) --length;
                phrases.push_back(line.substr(i, length));
                break;
            }
            i = end + 1;
        }
    }
    return phrases;
}

}  // namespace xdoc2txt::test
