#include "warm_office.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "interruption.h"
#include "libreoffice.h"
#include "sandbox.h"

namespace xdoc2txt {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long a conversion waits for a starting instance to answer on its pipe
// (a first start makes the profile and starts twice) before it is given up
// for the cold conversion.
constexpr milliseconds kStartLimit = std::chrono::seconds(60);
// xdoc2txt-office.py's exit status when python3-uno is missing, and when
// LibreOffice answered that it cannot read or write the document.
constexpr int kNoUno = 3;
constexpr int kRefused = 5;
constexpr int kPlainText = 6;

// A folder of the user's own that no one else may enter (made when
// missing), not a link.
bool ownPrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && ((info.st_mode & 077) == 0 || ::chmod(path.c_str(), 0700) == 0);
}

std::string seconds(milliseconds time) {
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.3f", std::chrono::duration<double>(time).count());
    return shown;
}

}  // namespace

std::string pipeNameFor(std::string_view folder) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : folder) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    return "xdoc2txt-" + std::to_string(::getuid()) + "-" + hex;
}

WarmOffice::WarmOffice(const ProcessRunner& runner, std::string python, std::string script,
                       std::string office, const std::string& cacheFolder, std::string works,
                       std::string lockFile, milliseconds idle)
    : runner_(runner),
      python_(std::move(python)),
      script_(std::move(script)),
      office_(std::move(office)),
      // Confined and unconfined instances cannot reach each other's pipe:
      // each has a folder of its own.
      folder_(cacheFolder + (runner.sandbox() ? "/lo-warm" : "/lo-warm-unconfined")),
      works_(std::move(works)),
      lockFile_(std::move(lockFile)),
      pipe_(pipeNameFor(folder_)),
      idle_(idle) {}

std::vector<WarmOffice::Process> WarmOffice::processes() const {
    const std::string profile = folder_ + "/profile";
    const std::string profileUrl = "-env:UserInstallation=" + fileUrl(profile);
    std::vector<Process> found;
    std::error_code error;
    for (fs::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::optional<std::string> cmdline = readWholeFile("/proc/" + name + "/cmdline");
        if (!cmdline) continue;
        std::vector<std::string_view> args;
        for (std::size_t start = 0; start < cmdline->size();) {
            const std::size_t stop = std::min(cmdline->find('\0', start), cmdline->size());
            args.emplace_back(cmdline->data() + start, stop - start);
            start = stop + 1;
        }
        const bool keeper = args.size() > 4 && args[3] == "keep" && args[4] == folder_;
        // LibreOffice names its profile, and its sandbox's bwrap the folder.
        if (!keeper && std::find(args.begin(), args.end(), profileUrl) == args.end() &&
            std::find(args.begin(), args.end(), profile) == args.end()) {
            continue;
        }
        // "pid (name) state ppid group ...": the name may hold anything.
        const std::string stat = readWholeFile("/proc/" + name + "/stat").value_or("");
        std::istringstream fields(stat.substr(std::min(stat.rfind(')'), stat.size()) + 1));
        char state = 'X';
        pid_t parent = 0, group = 0;
        fields >> state >> parent >> group;
        if (state == 'Z' || state == 'X') continue;
        found.push_back({static_cast<pid_t>(std::stol(name)), group, keeper});
    }
    return found;
}

void WarmOffice::end() const {
    using namespace std::chrono_literals;
    const pid_t own = ::getpgrp();
    for (int round = 0; round < 500; ++round) {  // 10 s at the most
        const std::vector<Process> running = processes();
        if (running.empty()) break;
        for (const Process& process : running) {
            if (process.group > 1 && process.group != own) {
                ::killpg(process.group, SIGKILL);
            } else {
                ::kill(process.pid, SIGKILL);
            }
        }
        std::this_thread::sleep_for(20ms);
    }
    std::error_code error;
    fs::remove_all(folder_ + "/profile", error);
    fs::remove_all(folder_ + "/tmp", error);
}

void WarmOffice::touch() const {
    std::error_code error;
    fs::create_directories(folder_, error);
    const std::string stamp = folder_ + "/last-use";
    { std::ofstream made(stamp, std::ios::app); }
    ::utimensat(AT_FDCWD, stamp.c_str(), nullptr, 0);
}

std::string WarmOffice::seenByOffice(const std::string& path) const {
    if (!runner_.sandbox() || path.compare(0, works_.size(), works_) != 0) return path;
    return std::string(kInside) + "/work" + path.substr(works_.size());
}

ProcessResult WarmOffice::startKeeper(Clock::time_point deadline) const {
    std::error_code error;
    fs::create_directories(folder_ + "/profile", error);
    // LibreOffice as the keeper starts it, less the last argument (which
    // says whether it listens or only makes its profile).
    Command office;
    office.program = office_;
    office.view = runner_.view();
    // Its profile at the host's path: its command line names FOLDER as
    // outside the sandbox.
    const std::string profile = office.view.writableAsIs(folder_ + "/profile");
    office.view.writable(works_, "work");
    office.view.tmpFrom(folder_ + "/tmp");
    office.args = {"--headless",  "--invisible",  "--nologo",
                   "--norestore", "--nolockcheck", "--nodefault",
                   "-env:UserInstallation=" + fileUrl(profile)};
    std::optional<Sandbox::Wrapped> wrapped;
    if (runner_.sandbox()) {
        wrapped.emplace(runner_.sandbox()->wrap(office, false));
        office = wrapped->command;
    }
    // The keeper is xdoc2txt's own, and runs unconfined: it reads no document.
    // "start" runs it detached, in a session of its own, as "keep".
    Command keep;
    keep.program = python_;
    keep.args = {"-I",      script_,   "start", folder_, pipe_, seconds(idle_),
                 lockFile_, std::to_string(office.passed.size()), office.program};
    keep.timeLimit = timeLeft(deadline);
    keep.view = SandboxView::unconfined();
    keep.args.insert(keep.args.end(), office.args.begin(), office.args.end());
    keep.passed = office.passed;
    return runner_.run(keep);
}

std::optional<WarmOffice::Result> WarmOffice::ensureRunning(Clock::time_point deadline) const {
    std::error_code error;
    fs::create_directories(folder_, error);
    fs::create_directory(works_, error);  // the instance sees it from its start
    // LibreOffice's /tmp: only the user may enter it, whatever the umask.
    const std::string tmp = folder_ + "/tmp";
    const Result noPrivateFolder{Outcome::kFailed,
                                 "LibreOffice: cannot make a private folder for its pipe"};
    if (!ownPrivateFolder(tmp)) return noPrivateFolder;
    // The keeper holds a lock on it while it lives; made here so that the
    // client's sandbox can bind it in before any keeper ran.
    if (const int made = ::open(keeperLock().c_str(),
                                O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        made >= 0) {
        ::close(made);
    }
    const std::vector<Process> running = processes();
    if (std::any_of(running.begin(), running.end(),
                    [](const Process& process) { return process.keeper; })) {
        return std::nullopt;
    }
    if (!running.empty()) end();  // what an instance whose keeper is gone left
    if (!ownPrivateFolder(tmp)) return noPrivateFolder;
    const ProcessResult started = startKeeper(deadline);
    if (started.end == ProcessResult::End::kExited && started.code == kNoUno) {
        return Result{Outcome::kUnavailable, lastLine(started.err)};
    }
    pid_t keeperId = 0;
    const std::string_view said = started.out;
    (void)std::from_chars(said.data(), said.data() + said.size(), keeperId);
    if (!started.succeeded() || keeperId <= 0) {
        end();
        return Result{Outcome::kFailed,
                      "LibreOffice could not be started: " + started.failure(timeLeft(deadline))};
    }
    return std::nullopt;
}

WarmOffice::Result WarmOffice::warm(Clock::time_point deadline) const {
    touch();  // counted as use: the idle time runs from now
    try {
        return ensureRunning(deadline).value_or(Result{Outcome::kConverted, {}});
    } catch (...) {
        end();
        throw;
    }
}

WarmOffice::Result WarmOffice::convert(const std::string& source, bool binary,
                                       const std::string& target, std::string_view filter,
                                       Clock::time_point deadline) const {
    // Touched as the conversion starts and ends: the keeper counts it as use.
    struct Use {
        const WarmOffice& office;
        explicit Use(const WarmOffice& warm) : office(warm) { office.touch(); }
        ~Use() { office.touch(); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
    } use(*this);
    try {
        if (std::optional<Result> failed = ensureRunning(deadline)) return *failed;
        Command command;
        command.program = python_;
        command.timeLimit = timeLeft(deadline);
        command.view = runner_.view();
        command.view.tmpFrom(folder_ + "/tmp");
        command.args = {"-I",
                        command.view.readOnly(script_, "xdoc2txt-office.py"),
                        "convert",
                        pipe_,
                        command.view.readOnly(keeperLock(), "keeper.lock"),
                        seconds(std::min(timeLeft(deadline), kStartLimit)),
                        seenByOffice(source),
                        seenByOffice(target),
                        std::string(filter),
                        binary ? "binary" : "text"};
        const ProcessResult done = runner_.run(command);
        if (done.succeeded()) return {Outcome::kConverted, {}};
        const bool exited = done.end == ProcessResult::End::kExited;
        if (exited && done.code == kRefused) return {Outcome::kFailed, lastLine(done.err)};
        if (exited && done.code == kPlainText) return {Outcome::kPlainText, lastLine(done.err)};
        end();
        if (exited && done.code == kNoUno) return {Outcome::kUnavailable, lastLine(done.err)};
        return {done.end == ProcessResult::End::kTimedOut ? Outcome::kTimedOut : Outcome::kFailed,
                "LibreOffice " + done.failure(command.timeLimit)};
    } catch (...) {
        end();
        throw;
    }
}

}  // namespace xdoc2txt
