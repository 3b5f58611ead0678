// The readers' seccomp filter, installed in a child: what it refuses fails
// with its error, what readers need still works. (The readers' tests run
// real programs behind it in the sandbox.)

#include "seccomp_filter.h"

#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <thread>

namespace xdoc2txt {
namespace {

// Runs `checks` in a child process behind the filter; returns what they
// reported (empty when all held), or why the child failed.
template <typename Checks>
std::string behindFilter(Checks checks) {
    const std::string filter = readerSyscallFilter();
    int ends[2];
    if (::pipe(ends) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        sock_fprog program{static_cast<unsigned short>(filter.size() / sizeof(sock_filter)),
                           reinterpret_cast<sock_filter*>(const_cast<char*>(filter.data()))};
        std::string report;
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0) {
            report = "the filter was not installed: " + std::to_string(errno);
        } else {
            checks(report);
        }
        (void)!::write(ends[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string report;
    char buffer[512];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        report += "the child ended abnormally, status " + std::to_string(status);
    }
    return report;
}

// Records a call that did not end as expected (error 0: it succeeded) as
// "what: the error it got; ".
void expect(std::string& report, const char* what, long result, int error) {
    const int got = result < 0 ? errno : 0;
    if (got != error) report += std::string(what) + ": " + std::to_string(got) + "; ";
}

TEST(SeccompFilter, RefusesWhatReadersNeverNeedAndAllowsTheRest) {
    if (readerSyscallFilter().empty()) GTEST_SKIP() << "no filter for this architecture";
    const std::string report = behindFilter([](std::string& failures) {
        // As root, without the filter, each of these would work or fail otherwise.
        expect(failures, "socket AF_INET", ::socket(AF_INET, SOCK_STREAM, 0), EAFNOSUPPORT);
        expect(failures, "socket AF_INET6", ::socket(AF_INET6, SOCK_DGRAM, 0), EAFNOSUPPORT);
        expect(failures, "socket AF_VSOCK", ::socket(40, SOCK_STREAM, 0), EAFNOSUPPORT);
        expect(failures, "socket AF_UNIX", ::socket(AF_UNIX, SOCK_STREAM, 0), 0);
        int pair[2] = {-1, -1};
        expect(failures, "socketpair AF_UNIX", ::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        expect(failures, "ioctl TIOCSTI", ::ioctl(pair[0], TIOCSTI, "x"), EPERM);
        expect(failures, "ioctl TIOCLINUX", ::ioctl(pair[0], TIOCLINUX, "\x0b"), EPERM);
        expect(failures, "ioctl FIONREAD", ::ioctl(pair[0], FIONREAD, &pair[1]), 0);
        expect(failures, "unshare", ::unshare(CLONE_NEWUSER), EPERM);
        // A bare clone that the filter let through would return here in the child too.
        const long cloned = ::syscall(SYS_clone, CLONE_NEWUTS | SIGCHLD, 0, 0, 0, 0);
        if (cloned == 0) ::_exit(0);
        expect(failures, "clone CLONE_NEWUTS", cloned, EPERM);
        expect(failures, "clone3", ::syscall(SYS_clone3, nullptr, 0), ENOSYS);
        const pid_t child = ::fork();
        if (child == 0) ::_exit(7);
        int status = 0;
        expect(failures, "fork", child, 0);
        if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 7) {
            failures += "the forked child did not end as it should; ";
        }
        bool ran = false;
        std::thread([&ran] { ran = true; }).join();
        if (!ran) failures += "the thread did not run; ";
        // Last: were it allowed, the child would be traced from here on.
        expect(failures, "ptrace", ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr), EPERM);
    });
    EXPECT_EQ(report, "");
}

}  // namespace
}  // namespace xdoc2txt
