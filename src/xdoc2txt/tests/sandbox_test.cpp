// The readers' sandbox, judged on the host: a reader taken over by a hostile
// document (a stand-in here, of each kind) reaches none of the user's files,
// the host's folders, the environment, the network or the time after its
// run; unconfined it reaches them all, which shows the stand-ins try. Then:
// the sandbox that cannot be made, LibreOffice's pipe and outputs, links in
// a document, and texts that do not change in the sandbox.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "program_support.h"

namespace xdoc2txt::test {
namespace {

namespace fs = std::filesystem;

// "sleep" and its argument, as a command line holds them.
const std::string kSleep("sleep\0", 6);

// A TCP listener on 127.0.0.1 that tells whether anyone connected.
class Listener {
public:
    Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const auto* any = reinterpret_cast<sockaddr*>(&address);
        if (::bind(fd_, any, size) != 0 || ::listen(fd_, 16) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "no listener";
        }
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] bool connected() const {
        const int peer = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer >= 0) ::close(peer);
        return peer >= 0;
    }

private:
    int fd_;
    int port_ = 0;
};

// The processes whose command line holds the mark, killed.
int killMarked(const std::string& mark) {
    if (mark.empty()) return 0;
    int found = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (readFile("/proc/" + name + "/cmdline").find(mark) == std::string::npos) continue;
        ::kill(std::stoi(name), SIGKILL);
        ++found;
    }
    return found;
}

// True once no process's command line holds the mark: a sandbox's processes
// die with it, just after the converter has returned (10 s are a safety net).
bool goneSoon(const std::string& mark) {
    for (int i = 0; i < 1000; ++i) {
        bool found = false;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            found = found || readFile("/proc/" + name + "/cmdline").find(mark) != std::string::npos;
        }
        if (!found) return true;
        ::usleep(10000);
    }
    return killMarked(mark) == 0;
}

// A reader that does what a hostile document would have it do, as a Python
// program with the host's paths written in: it reads the user's private
// file, writes in the home, beside the source and in /tmp, connects to the
// listener, leaves a child in a session of its own (a "sleep" with the mark
// for its time), and gives as its text what it read, its capabilities and
// the variables it was given. As LibreOffice it writes that text where it is
// asked to; `hang` makes it wait for ever instead.
std::string hostileReader(const std::string& home, const std::string& beside, int port,
                          const std::string& mark, bool hang = false) {
    return R"(#!/usr/bin/python3
import os, socket, subprocess, sys
home, beside, port, mark = )" +
           ("'" + home + "', '" + beside + "', " + std::to_string(port) + ", '" + mark + "'") +
           R"(
text = "stand-in\n"
try:
    text += open(home + "/secret").read()
except OSError:
    pass
for path in (home + "/written", beside + "/written", "/tmp/written-" + mark):
    try:
        open(path, "w").write("x")
    except OSError:
        pass
try:
    socket.create_connection(("127.0.0.1", port), timeout=5).close()
except OSError:
    pass
subprocess.Popen(["setsid", "sleep", mark], stdin=subprocess.DEVNULL,
                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
)" + (hang ? "import time\ntime.sleep(3600)\n" : "") +
           R"(text += "caps " + [l for l in open("/proc/self/status") if l.startswith("CapEff")][0].split()[1]
text += "\nenv " + " ".join(sorted(name for name in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY",
                         "SSH_AUTH_SOCK", "XDG_RUNTIME_DIR") if name in os.environ)) + "\n"
if "-N" in sys.argv:
    text = "1\n"
if "--outdir" in sys.argv:
    open(sys.argv[sys.argv.index("--outdir") + 1] + "/source.txt", "w").write(text)
sys.stdout.write(text)
)";
}

// One kind of reader: where its stand-in is put, and a source it reads.
struct Kind {
    const char* name;    // the program's name: in bin/ on the PATH, or beside xdoc2txt
    const char* source;  // a source only that reader is asked to read
    std::string content;
};

const std::vector<Kind>& kinds() {
    static const std::vector<Kind> all = {
        {"pdftotext", "a.pdf", "%PDF-1.4\n"},
        {"antiword", "a.doc", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"},
        {"w3m", "a.html", "<meta charset=utf-8><p>page</p>"},
        {"uchardet", "a.htm", "<p>page</p>"},  // then w3m
        {"wks2csv", "a.wk4", std::string("\0\0\x1a\0\x02\x10", 6) + "rest"},
        {"soffice.bin", "a.rtf", "{\\rtf1 text}"},  // kept running, then soffice afresh
        {"soffice", "a.rtf", "{\\rtf1 text}"},
        {"xdoc2txt-read.py", "a.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"},
    };
    return all;
}

// A folder with a private file in its home, a copy of xdoc2txt with its
// scripts beside it (the helper a stand-in), and the other stand-ins in bin/.
class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder_ / "home");
        fs::create_directories(folder_ / "bin");
        fs::create_directories(folder_ / "sources");
        writeFile(folder_ / "home/secret", kSecret);
        ::chmod((folder_ / "home/secret").c_str(), 0600);
        fs::copy_file(XDOC2TXT_PROGRAM, folder_ / "bin/xdoc2txt");
        fs::copy_file(fs::path(XDOC2TXT_PROGRAM).parent_path() / "xdoc2txt-office.py",
                      folder_ / "bin/xdoc2txt-office.py");
    }

    void placeReaders(const std::string& mark, bool hang = false) {
        const std::string reader =
            hostileReader(folder_ / "home", folder_ / "sources", listener_.port(), mark, hang);
        for (const Kind& kind : kinds()) writeFile(folder_ / ("bin/" + std::string(kind.name)), reader, true);
    }

    RunResult convert(const Kind& kind, std::vector<std::string> extra = {}) {
        writeFile(folder_ / ("sources/" + std::string(kind.source)), kind.content);
        extra.insert(extra.end(),
                     {"PATH=" + (folder_ / "bin") + ":/usr/bin:/bin", "HOME=" + (folder_ / "home"),
                      "XDG_CACHE_HOME=" + cache_.path(), "DISPLAY=:99", "SSH_AUTH_SOCK=/run/agent",
                      "XDG_RUNTIME_DIR=/run/user/1", "DBUS_SESSION_BUS_ADDRESS=unix:path=/x"});
        // The copy of xdoc2txt in bin/, which finds the helper stand-in beside it.
        return runXdoc2txt({"-f", folder_ / ("sources/" + std::string(kind.source))}, extra, {},
                           {"/bin/sh", "-c", "exec \"" + (folder_ / "bin/xdoc2txt") + "\" \"$@\""});
    }

    static constexpr const char* kSecret = "private words\n";
    Folder folder_;
    OwnCache cache_;
    Listener listener_;
};

TEST_F(Hostile, EveryKindOfReaderReachesNothingConfinedAndAllUnconfined) {
    for (const bool confined : {true, false}) {
        for (const Kind& kind : kinds()) {
            const std::string mark = std::to_string(86400 + ::getpid()) + "." +
                                     std::to_string(&kind - kinds().data()) + (confined ? "1" : "2");
            placeReaders(mark);
            const RunResult run =
                convert(kind, confined ? std::vector<std::string>{}
                                       : std::vector<std::string>{"XDOC2TXT_SANDBOX=0"});
            SCOPED_TRACE(std::string(kind.name) + (confined ? " confined" : " unconfined"));
            EXPECT_EQ(run.exitCode, 0) << run.err;
            const std::string text = readFile(folder_ / "sources/a.txt");
            const bool written[] = {exists(folder_ / "home/written"),
                                    exists(folder_ / "sources/written"),
                                    exists("/tmp/written-" + mark)};
            for (const bool one : written) EXPECT_EQ(one, !confined);
            EXPECT_EQ(text.find(kSecret) != std::string::npos, !confined) << text;
            EXPECT_EQ(listener_.connected(), !confined);
            EXPECT_EQ(confined ? !goneSoon(kSleep + mark) : killMarked(kSleep + mark) > 0,
                      !confined);
            if (confined) {
                EXPECT_NE(text.find("caps 0000000000000000"), std::string::npos) << text;
                EXPECT_NE(text.find("env \n"), std::string::npos) << text;
            } else {
                EXPECT_NE(text.find("env DBUS_SESSION_BUS_ADDRESS DISPLAY SSH_AUTH_SOCK "
                                    "XDG_RUNTIME_DIR"),
                          std::string::npos)
                    << text;
                EXPECT_NE(run.err.find("warning: XDOC2TXT_SANDBOX=0"), std::string::npos);
            }
            for (const char* name : {"home/written", "sources/written", "sources/a.txt"}) {
                fs::remove(folder_ / name);
            }
            fs::remove("/tmp/written-" + mark);
        }
    }
}

TEST_F(Hostile, AConfinedReaderOutOfTimeLeavesNothingRunning) {
    const std::string mark = std::to_string(90000 + ::getpid()) + ".5";
    placeReaders(mark, true);
    const RunResult run = convert(kinds()[0], {"XDOC2TXT_TIMEOUT=2"});
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_NE(run.err.find("timed out"), std::string::npos) << run.err;
    EXPECT_TRUE(goneSoon(kSleep + mark));
    EXPECT_TRUE(goneSoon(folder_ / "bin/pdftotext"));
}

// What LibreOffice leaves as its output is read only as a file of its own:
// a link to the user's private file fails the conversion.
TEST_F(Hostile, AnOutputThatIsALinkFailsTheConversion) {
    writeFile(folder_ / "bin/soffice",
              "#!/bin/sh\nwhile [ \"$1\" != --outdir ]; do shift; done\nln -s '" +
                  (folder_ / "home/secret") + "' \"$2/source.txt\"\n",
              true);
    const RunResult run = convert(kinds()[6]);  // soffice, afresh
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_NE(run.err.find("not a file it wrote"), std::string::npos) << run.err;
    EXPECT_FALSE(exists(folder_ / "sources/a.txt"));
}

// A reader found through a link outside /usr (a user's own bin folder)
// runs in the sandbox as it does outside it.
TEST(Readers, OneLinkedFromOutsideUsrRuns) {
    XDOC2TXT_REQUIRE_DOCUMENTS(documents);
    const Folder folder;
    fs::create_directory(folder / "bin");
    fs::create_symlink("/usr/bin/pdftotext", folder / "bin/pdftotext");
    writeFile(folder / "a.pdf", readFile(documents + "/developers-reference-ja.pdf"));
    const RunResult run =
        runXdoc2txt({"-f", folder / "a.pdf"}, {"PATH=" + (folder / "bin") + ":/usr/bin:/bin"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

// Where no user namespace can be made (a nested bwrap cannot), the
// conversion fails with its own exit code and a line that says the cause,
// the remedy and the way out; the way out converts, with a warning.
TEST(NoSandbox, FailsClosedWithAWayOut) {
    const Folder folder;
    fs::create_directory(folder / "bin");
    writeFile(folder / "bin/pdftotext", "#!/bin/sh\necho words\n", true);
    writeFile(folder / "a.pdf", "%PDF-1.4\n");
    const std::vector<std::string> noNamespaces = {
        "/usr/bin/bwrap", "--unshare-user", "--disable-userns", "--bind", "/", "/",
        "--dev",          "/dev",           "--proc",           "/proc"};
    const std::vector<std::string> path = {"PATH=" + (folder / "bin") + ":/usr/bin:/bin"};
    const RunResult refused = runXdoc2txt({"-f", folder / "a.pdf"}, path, {}, noNamespaces);
    EXPECT_EQ(refused.exitCode, 8);
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    for (const char* said : {"could not be set up", "user namespaces", "XDOC2TXT_SANDBOX=0"}) {
        EXPECT_NE(refused.err.find(said), std::string::npos) << refused.err;
    }
    EXPECT_FALSE(exists(folder / "a.txt"));

    std::vector<std::string> unconfined = path;
    unconfined.push_back("XDOC2TXT_SANDBOX=0");
    const RunResult run = runXdoc2txt({"-f", folder / "a.pdf"}, unconfined, {}, noNamespaces);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(folder / "a.txt"), "words\n");
    EXPECT_NE(run.err.find("warning: XDOC2TXT_SANDBOX=0"), std::string::npos);

    const std::string help = runXdoc2txt({"--help"}).out;
    EXPECT_NE(help.find("XDOC2TXT_SANDBOX=0"), std::string::npos);
    EXPECT_NE(help.find("  8  "), std::string::npos);
}

// Every document of the corpus gives the same bytes in the sandbox as
// unconfined (each mode with a LibreOffice of its own, side by side).
TEST(Corpus, TheSandboxChangesNoText) {
    XDOC2TXT_REQUIRE_DOCUMENTS(documents);
    const Folder folder;
    const OwnCache cache;
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(documents)) {
        const std::string suffix = entry.path().extension();
        if (!entry.is_regular_file() || suffix.empty() ||
            std::string(".pdf.xls.doc.ppt.rtf.html").find(suffix) == std::string::npos) {
            continue;
        }
        const std::string source = folder / entry.path().filename();
        const std::string text = source.substr(0, source.size() - suffix.size()) + ".txt";
        writeFile(source, readFile(entry.path()));
        std::string texts[2];
        for (const bool sandbox : {true, false}) {
            const RunResult run = runXdoc2txt(
                {"-f", source}, cache.environment(sandbox ? std::vector<std::string>{}
                                                          : std::vector<std::string>{
                                                                "XDOC2TXT_SANDBOX=0"}));
            EXPECT_EQ(run.exitCode, 0) << source << run.err;
            texts[sandbox] = readFile(text);
            ::unlink(text.c_str());
        }
        EXPECT_FALSE(texts[0].empty()) << source;
        EXPECT_EQ(texts[0], texts[1]) << source;
        ++compared;
    }
    EXPECT_GE(compared, 10);
}

// LibreOffice, warm and fresh, fetches nothing a document links to: an HTML
// page under a .doc name with a stylesheet, an image and a frame on a local
// web server converts, and the server gets no request.
TEST(Links, LibreOfficeFetchesNothing) {
    const Folder folder;
    const OwnCache cache;
    const Listener server;
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port());
    const std::string page = "<html><head><link rel=stylesheet href='" + url +
                             "/a.css'></head><body><p>本文の言葉</p><img src='" + url +
                             "/b.png'><iframe src='" + url + "/c.html'></iframe></body></html>";
    for (const char* warm : {"XDOC2TXT_SOFFICE_WARM=1", "XDOC2TXT_SOFFICE_WARM=0"}) {
        writeFile(folder / "linked.doc", page);
        const RunResult run = runXdoc2txt({"-f", folder / "linked.doc"},
                                          cache.environment({warm, "XDOC2TXT_TIMEOUT=120"}));
        EXPECT_EQ(run.exitCode, 0) << warm << run.err;
        EXPECT_NE(readFile(folder / "linked.txt").find("本文の言葉"), std::string::npos) << warm;
        EXPECT_FALSE(server.connected()) << warm;
    }
}

// The warm LibreOffice's pipe is the user's alone under umask 000, and a
// socket that another user bound first at the name LibreOffice would take
// in the host's /tmp changes nothing.
TEST(WarmPipe, NoOtherUserReachesItOrTakesItsName) {
    if (::getuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    XDOC2TXT_REQUIRE_DOCUMENTS(documents);
    ASSERT_EQ(std::system("id -u xdoc2txt-other >/dev/null 2>&1 || useradd --system "
                          "--no-create-home xdoc2txt-other"),
              0);
    const std::string asOther = "setpriv --reuid=xdoc2txt-other --regid=xdoc2txt-other "
                                "--clear-groups /usr/bin/python3 -c ";
    const Folder folder;
    const OwnCache cache;
    const std::vector<std::string> anyUmask = {"/bin/sh", "-c", "umask 000; exec \"$0\" \"$@\""};
    const auto convert = [&] {
        writeFile(folder / "ja.rtf", readFile(documents + "/ja-libreoffice.rtf"));
        return runXdoc2txt({"-f", folder / "ja.rtf"}, cache.environment(), {}, anyUmask);
    };
    ASSERT_EQ(convert().exitCode, 0);
    std::string pipe;
    for (const auto& entry : fs::directory_iterator(cache.path() + "/xdoc2txt/lo-warm/tmp")) {
        if (entry.path().filename().string().starts_with("OSL_PIPE_0_xdoc2txt-")) pipe = entry.path();
    }
    ASSERT_FALSE(pipe.empty());
    struct stat info {};
    ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
    EXPECT_NE(std::system((asOther + "'import socket, sys; socket.socket(socket.AF_UNIX)"
                                     ".connect(sys.argv[1])' '" + pipe + "' 2>/dev/null")
                              .c_str()),
              0);

    // The instance ends; another user squats its name in the host's /tmp.
    for (const pid_t pid : cache.processes("")) ::kill(pid, SIGKILL);
    const std::string squatted = "/tmp/" + fs::path(pipe).filename().string();
    ::unlink(squatted.c_str());
    ASSERT_EQ(std::system((asOther + "'import os, socket, sys, time; s = socket.socket("
                                     "socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(); "
                                     "os.chmod(sys.argv[1], 0o777); time.sleep(600)' '" +
                           squatted + "' & echo $! > '" + (folder / "squatter") + "'")
                              .c_str()),
              0);
    for (int i = 0; i < 500 && !exists(squatted); ++i) ::usleep(10000);
    EXPECT_EQ(convert().exitCode, 0);
    EXPECT_EQ(cache.offices().size(), 1u);
    ::kill(std::stoi(readFile(folder / "squatter")), SIGKILL);
    ::unlink(squatted.c_str());
}

}  // namespace
}  // namespace xdoc2txt::test
