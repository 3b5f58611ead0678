#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "interruption.h"
#include "sandbox.h"
#include "unique_fd.h"

namespace xdoc2txt {
namespace {

using Clock = std::chrono::steady_clock;

// Where descriptors passed to a child are copied before they take their
// numbers from 3 on.
constexpr int kFirstHighFd = 100;

// More output than any text could need ends the reader.
constexpr std::size_t kMaxOutput = std::size_t{512} << 20;

struct Pipe {
    UniqueFd read, write;
};

bool makePipe(Pipe& pipe) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    pipe.read = UniqueFd(fds[0]);
    pipe.write = UniqueFd(fds[1]);
    return ::fcntl(fds[0], F_SETFL, O_NONBLOCK) == 0;
}

// posix_spawn's attribute and file actions, destroyed on scope exit.
struct SpawnSetup {
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Reads what a pipe holds now; false once it is at its end.
bool drain(UniqueFd& fd, std::string& into) {
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
        if (got > 0) {
            into.append(buffer.data(), static_cast<std::size_t>(got));
            if (into.size() > kMaxOutput) return false;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return true;
        fd.reset();  // at its end, or broken
        return false;
    }
}

// True once the child has ended; it stays unreaped (a zombie) so that its
// process group cannot be reused before the group is killed.
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        return errno != EINTR;
    }
    return info.si_pid == pid;
}

}  // namespace

std::chrono::milliseconds timeLeft(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(1),
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
}

std::string lastLine(std::string_view text) {
    constexpr std::size_t kMax = 200;
    std::size_t end = text.size();
    while (end > 0) {
        const std::size_t start = text.rfind('\n', end - 1);
        const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
        std::string_view line = text.substr(from, end - from);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (!line.empty()) {
            return line.size() > kMax ? std::string(line.substr(0, kMax)) + "..."
                                      : std::string(line);
        }
        if (start == std::string_view::npos) break;
        end = start;
    }
    return {};
}

std::string ProcessResult::failure(std::chrono::milliseconds timeLimit) const {
    std::string reason;
    switch (end) {
        case End::kExited:
            reason = "exited with status " + std::to_string(code);
            break;
        case End::kSignaled:
            reason = std::string("was killed by signal ") + std::to_string(code);
            break;
        case End::kTimedOut: {
            const auto seconds = std::chrono::duration<double>(timeLimit).count();
            char shown[32];
            std::snprintf(shown, sizeof shown, "%g", seconds);
            return std::string("timed out after ") + shown + " s";
        }
        case End::kTooMuchOutput:
            return "gave more output than a text can hold";
        case End::kNotStarted:
            return std::string("could not be started: ") + std::strerror(code);
    }
    if (const std::string line = lastLine(err); !line.empty()) reason += ": " + line;
    return reason;
}

ProcessRunner::ProcessRunner(std::vector<std::string> environment, const Sandbox* sandbox)
    : environment_(std::move(environment)), sandbox_(sandbox) {}

ProcessResult ProcessRunner::run(const Command& command) const {
    if (!sandbox_ || !command.view.confined()) return spawn(command);
    Sandbox::Wrapped wrapped = sandbox_->wrap(command, true);
    const ProcessResult result = spawn(wrapped.command);
    Sandbox::checkSetUp(wrapped, result);
    return result;
}

ProcessResult ProcessRunner::spawn(const Command& command) const {
    ProcessResult result;
    Pipe out, err;
    if (!makePipe(out) || !makePipe(err)) {
        result.code = errno;
        return result;
    }

    SpawnSetup setup;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setflags(
        &setup.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&setup.attr, 0);
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setsigdefault(&setup.attr, &all);
    if (command.inputFd >= 0) {
        posix_spawn_file_actions_adddup2(&setup.actions, command.inputFd, 0);
    } else {
        posix_spawn_file_actions_addopen(&setup.actions, 0, command.input.c_str(), O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&setup.actions, out.write.get(), 1);
    posix_spawn_file_actions_adddup2(&setup.actions, err.write.get(), 2);
    // The descriptors passed, first copied above the numbers they take, so
    // that no copy overwrites one still to be copied.
    std::vector<UniqueFd> passed;
    for (std::size_t i = 0; i < command.passed.size(); ++i) {
        passed.emplace_back(::fcntl(command.passed[i], F_DUPFD_CLOEXEC, kFirstHighFd));
        if (!passed.back()) {
            result.code = errno;
            return result;
        }
        posix_spawn_file_actions_adddup2(&setup.actions, passed.back().get(),
                                         3 + static_cast<int>(i));
    }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Nothing else xdoc2txt's parent left open reaches the reader.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions,
                                             3 + static_cast<int>(command.passed.size()));
#endif

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(command.program.c_str()));
    for (const std::string& arg : command.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : environment_) {
        envp.push_back(const_cast<char*>(variable.c_str()));
    }
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, command.program.c_str(), &setup.actions, &setup.attr,
                                      argv.data(), envp.data());
    out.write.reset();
    err.write.reset();
    if (spawned != 0) {
        result.code = spawned;
        return result;
    }

    const Clock::time_point deadline = Clock::now() + command.timeLimit;
    std::optional<ProcessResult::End> cut;  // why it was killed
    int stoppedBy = 0;
    for (;;) {
        if (const int signal = interruption()) {
            stoppedBy = signal;
            break;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            cut = ProcessResult::End::kTimedOut;
            break;
        }
        // Wake for output, else at least every 20 ms to see whether the
        // child has ended.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        std::array<pollfd, 2> fds{{{out.read.get(), POLLIN, 0}, {err.read.get(), POLLIN, 0}}};
        (void)::poll(fds.data(), fds.size(),
                     static_cast<int>(std::min<long long>(20, left.count())));
        if (out.read.get() >= 0) (void)drain(out.read, result.out);
        if (err.read.get() >= 0) (void)drain(err.read, result.err);
        if (result.out.size() > kMaxOutput || result.err.size() > kMaxOutput) {
            cut = ProcessResult::End::kTooMuchOutput;
            break;
        }
        if (hasEnded(pid)) break;
    }
    // Ends the child's group: the child itself when it was cut short, and
    // whatever it left running in any case.
    ::killpg(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (out.read.get() >= 0) (void)drain(out.read, result.out);
    if (err.read.get() >= 0) (void)drain(err.read, result.err);
    if (stoppedBy != 0) throw Interrupted{stoppedBy};
    if (cut) {
        result.end = *cut;
    } else if (WIFEXITED(status)) {
        result.end = ProcessResult::End::kExited;
        result.code = WEXITSTATUS(status);
    } else {
        result.end = ProcessResult::End::kSignaled;
        result.code = WTERMSIG(status);
    }
    return result;
}

}  // namespace xdoc2txt
