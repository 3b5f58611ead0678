#include "sandbox.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "exit_codes.h"

namespace xdoc2txt {
namespace {

namespace fs = std::filesystem;

// The reader's home inside: an empty folder of its own.
constexpr const char* kHome = "/home/xdoc2txt";

// What of the host's system every reader sees read-only besides /usr, when
// present: the loader's cache, the system's program choices, fonts and
// their cache (without it every start rescans the fonts), the time zone,
// LibreOffice's settings (its registry is a link into /etc) and w3m's.
constexpr std::array kSystemPaths = {
    "/etc/ld.so.cache", "/etc/alternatives", "/etc/fonts", "/etc/localtime",
    "/etc/libreoffice", "/etc/w3m",          "/etc/mime.types", "/var/cache/fontconfig",
};

// The top-level folders that a merged /usr makes links into it.
constexpr std::array kTopFolders = {"/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"};

// A file in memory holding the bytes, read from its start.
UniqueFd memoryFile(const char* name, std::string_view bytes) {
    UniqueFd fd(::memfd_create(name, MFD_CLOEXEC));
    if (!fd) throw std::system_error(errno, std::generic_category(), "memfd_create");
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw std::system_error(errno, std::generic_category(), "write");
        done += static_cast<std::size_t>(wrote);
    }
    if (::lseek(fd.get(), 0, SEEK_SET) != 0) {
        throw std::system_error(errno, std::generic_category(), "lseek");
    }
    return fd;
}

bool isUnder(const fs::path& path, std::string_view folder) {
    const std::string text = path.string();
    return text.size() > folder.size() && text.compare(0, folder.size(), folder) == 0 &&
           text[folder.size()] == '/';
}

constexpr const char* kWayOut =
    "; XDOC2TXT_SANDBOX=0 runs the readers unconfined, where a hostile document can take "
    "one over with all your rights";

}  // namespace

Sandbox::Sandbox(std::string bwrap, std::string filter)
    : bwrap_(std::move(bwrap)), filter_(std::move(filter)) {}

Sandbox::Wrapped Sandbox::wrap(const Command& command, bool reportStatus) const {
    Wrapped wrapped;
    Command& outer = wrapped.command;
    outer.program = bwrap_;
    outer.input = command.input;
    outer.inputFd = command.inputFd;
    outer.timeLimit = command.timeLimit;
    outer.view = SandboxView::unconfined();
    std::vector<std::string>& args = outer.args;
    const auto add = [&args](std::initializer_list<std::string> more) {
        args.insert(args.end(), more);
    };
    // A descriptor for bwrap, by the number the runner gives it.
    const auto pass = [&wrapped](UniqueFd fd) {
        wrapped.command.passed.push_back(fd.get());
        wrapped.fds.push_back(std::move(fd));
        return std::to_string(2 + wrapped.command.passed.size());
    };

    add({"--unshare-user", "--unshare-pid", "--unshare-net", "--unshare-ipc", "--unshare-uts",
         "--unshare-cgroup-try", "--disable-userns", "--cap-drop", "ALL", "--new-session",
         "--die-with-parent", "--clearenv", "--setenv", "PATH", "/usr/local/bin:/usr/bin:/bin",
         "--setenv", "HOME", kHome, "--setenv", "LC_ALL", "C.UTF-8", "--ro-bind", "/usr",
         "/usr"});
    for (const char* top : kTopFolders) {
        std::error_code error;
        if (fs::is_symlink(top, error)) {
            add({"--symlink", fs::read_symlink(top, error).string(), top});
        } else if (fs::is_directory(top, error)) {
            add({"--ro-bind", top, top});
        }
    }
    for (const char* path : kSystemPaths) add({"--ro-bind-try", path, path});
    // A user and group of its own name: LibreOffice names its pipe for them.
    const std::string uid = std::to_string(::getuid());
    const std::string gid = std::to_string(::getgid());
    add({"--ro-bind-data",
         pass(memoryFile("passwd", "xdoc2txt:x:" + uid + ":" + gid + "::" + kHome + ":/bin/sh\n")),
         "/etc/passwd"});
    add({"--ro-bind-data", pass(memoryFile("group", "xdoc2txt:x:" + gid + ":\n")), "/etc/group"});
    add({"--proc", "/proc", "--dev", "/dev"});
    if (command.view.tmp().empty()) {
        add({"--tmpfs", "/tmp"});
    } else {
        add({"--bind", command.view.tmp(), "/tmp"});
    }
    add({"--perms", "0700", "--tmpfs", kHome});
    for (const SandboxView::Bind& bind : command.view.binds()) {
        add({bind.writable ? "--bind" : "--ro-bind", bind.host, bind.inside});
    }
    // A reader that lies outside /usr (a stand-in of a test's, say), or is
    // reached by a link from outside it, is bound in where it is named.
    std::error_code error;
    const fs::path real = fs::canonical(command.program, error);
    const bool namedInside =
        isUnder(command.program, "/usr") ||
        std::any_of(kTopFolders.begin(), kTopFolders.end(),
                    [&](const char* top) { return isUnder(command.program, top); });
    if (!error && (!isUnder(real, "/usr") || !namedInside)) {
        add({"--ro-bind", real.string(), command.program});
    }
    add({"--remount-ro", "/", "--chdir", kHome});
    if (!filter_.empty()) add({"--seccomp", pass(memoryFile("seccomp", filter_))});
    if (reportStatus) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            throw std::system_error(errno, std::generic_category(), "pipe2");
        }
        wrapped.status = UniqueFd(ends[0]);
        add({"--json-status-fd", pass(UniqueFd(ends[1]))});
    }
    add({"--", command.program});
    args.insert(args.end(), command.args.begin(), command.args.end());
    return wrapped;
}

void Sandbox::checkSetUp(Wrapped& wrapped, const ProcessResult& result) {
    // Killed by xdoc2txt (out of time, say), bwrap leaves no last record.
    if (!wrapped.status || result.end != ProcessResult::End::kExited) return;
    wrapped.fds.clear();
    std::string records;
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t got = ::read(wrapped.status.get(), buffer.data(), buffer.size());
        if (got > 0) {
            records.append(buffer.data(), static_cast<std::size_t>(got));
        } else if (!(got < 0 && errno == EINTR)) {
            break;
        }
    }
    // The reader's end is recorded; a sandbox that was never made, or where
    // the reader could not be started, has none.
    if (records.find("\"exit-code\"") != std::string::npos) return;
    // A reader that could not be started is the reader's failure.
    if (result.err.find("bwrap: execvp ") != std::string::npos) return;
    throw Failure(ExitCode::kNoSandbox, brokenSandboxReason(lastLine(result.err)));
}

std::string missingSandboxReason() {
    return std::string("the readers' sandbox needs bubblewrap (bwrap), which is not installed: "
                       "install the package bubblewrap") +
           kWayOut;
}

std::string brokenSandboxReason(std::string_view cause) {
    return "the readers' sandbox could not be set up (" +
           std::string(cause.empty() ? "bwrap failed" : cause) +
           "): bubblewrap needs unprivileged user namespaces (sysctl "
           "kernel.unprivileged_userns_clone=1 and user.max_user_namespaces above 0; on Ubuntu "
           "24.04 an AppArmor profile that lets bwrap make them)" +
           kWayOut;
}

std::string unconfinedWarning() {
    return "xdoc2txt: warning: XDOC2TXT_SANDBOX=0: the readers run unconfined, with your files, "
           "environment and network\n";
}

}  // namespace xdoc2txt
