#include "libreoffice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "document_signature.h"
#include "environment.h"
#include "interruption.h"

namespace xdoc2txt {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// An exclusive flock on a file, released on destruction.
class ProfileLock {
public:
    // Waits up to `wait` for the lock; false when it did not get it.
    [[nodiscard]] bool acquire(const std::string& path, std::chrono::milliseconds wait) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return false;
        const Clock::time_point deadline = Clock::now() + wait;
        for (;;) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
            if (errno != EWOULDBLOCK && errno != EINTR) return false;
            throwIfInterrupted();
            if (Clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ProfileLock() = default;
    ~ProfileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

private:
    int fd_ = -1;
};

// A folder of its own (mkdtemp), removed with what it holds on destruction.
class WorkFolder {
public:
    explicit WorkFolder(const std::string& parent) {
        std::string name = parent + "/work-XXXXXX";
        if (::mkdtemp(name.data())) path_ = name;
    }
    ~WorkFolder() {
        std::error_code error;
        if (!path_.empty()) fs::remove_all(path_, error);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The first bytes of a file, for its signature.
std::string readHead(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(kSignatureBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

// The last line in LibreOffice's output that tells an error ("Error: ...").
std::string reportedError(const std::string& output) {
    std::string found;
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = std::min(output.find('\n', start), output.size());
        const std::string_view line(output.data() + start, end - start);
        if (line.find("Error") != std::string_view::npos) found = lastLine(line);
        start = end + 1;
    }
    return found;
}

}  // namespace

std::string fileUrl(std::string_view path) {
    std::string url = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
            c == '/') {
            url += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            url += escaped;
        }
    }
    return url;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    try {
        std::string content((std::istreambuf_iterator<char>(in)),
                            std::istreambuf_iterator<char>());
        if (in.bad()) return std::nullopt;
        return content;
    } catch (const std::ios_base::failure&) {
        return std::nullopt;  // a read error, as when a process's file in /proc goes
    }
}

UniqueFd openOutputFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd.get(), F_SETFL, 0) != 0) {
        return {};
    }
    return fd;
}

std::optional<std::string> readOutputFile(const std::string& path) {
    const UniqueFd fd = openOutputFile(path);
    if (!fd) return std::nullopt;
    std::string content;
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return content;
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

LibreOffice::LibreOffice(const ProcessRunner& runner, const std::vector<std::string>& searchPath,
                         std::string cacheFolder, std::chrono::milliseconds timeLimit,
                         const WarmSettings& warm)
    : runner_(runner), cacheFolder_(std::move(cacheFolder)), timeLimit_(timeLimit) {
    if (auto soffice = findProgram("soffice", searchPath)) {
        program_ = *soffice;
    } else if (auto installed = findProgram("/usr/lib/libreoffice/program/soffice", {})) {
        program_ = *installed;
    }
    if (!warm.enabled || program_.empty() || cacheFolder_.empty() || warm.script.empty() ||
        !findProgram(warm.python, {})) {
        return;
    }
    // The instance is LibreOffice's own program, which the keeper owns: not
    // the soffice script, which runs it as a child of a launcher.
    std::error_code error;
    const fs::path folder = fs::canonical(program_, error).parent_path();
    if (auto office = findProgram((folder / "soffice.bin").string(), {}); office && !error) {
        warm_.emplace(runner_, warm.python, warm.script, *office, cacheFolder_,
                      cacheFolder_ + "/lo-work", cacheFolder_ + "/lo-profile.lock", warm.idle);
    }
}

bool LibreOffice::warm() const {
    if (!warm_) return false;
    ProfileLock lock;
    if (!lock.acquire(cacheFolder_ + "/lo-profile.lock", std::chrono::milliseconds(0))) return true;
    return warm_->warm(Clock::now() + timeLimit_).outcome == WarmOffice::Outcome::kConverted;
}

bool LibreOffice::readsFirst(Format format, const std::string& source) {
    switch (format) {
        case Format::kPowerPoint:
        case Format::kRichText:
            return true;
        case Format::kWord:
        case Format::kExcel:
        case Format::kLotus:
            return looksLikeText(readHead(source));
        default:
            return false;
    }
}

ReadResult LibreOffice::convert(const std::string& source, Format format, std::string_view suffix,
                                std::string_view filter, std::string_view extension,
                                const std::function<ReadResult(const std::string&)>& use) const {
    if (program_.empty()) return ReadResult::missing("LibreOffice is not installed");
    const std::string head = readHead(source);
    if (!looksLikeDocument(format, head)) {
        return ReadResult::failed("LibreOffice: the file is not a document of its kind");
    }
    if (cacheFolder_.empty()) {
        return ReadResult::failed("LibreOffice: no cache folder for its profile");
    }

    // Another xdoc2txt's call ends within its time limit.
    ProfileLock lock;
    if (!lock.acquire(cacheFolder_ + "/lo-profile.lock",
                      2 * timeLimit_ + std::chrono::seconds(10))) {
        return ReadResult::failed("LibreOffice: another conversion holds its profile");
    }
    const std::string profile = cacheFolder_ + "/lo-profile";
    // The lock says no LibreOffice runs on the profile: a lock file of its
    // own is one that a killed run left behind.
    std::error_code error;
    fs::remove(profile + "/.lock", error);

    // Working folders lie in a folder of their own, which the instance kept
    // running sees: nothing else of the cache.
    const std::string works = cacheFolder_ + "/lo-work";
    fs::create_directory(works, error);
    const WorkFolder work(works);
    if (work.path().empty()) return ReadResult::failed("LibreOffice: cannot make a working folder");
    const std::string input = work.path() + "/source" + std::string(suffix);
    const std::string outFolder = work.path() + "/out";
    if (!fs::copy_file(source, input, error) || !fs::create_directory(outFolder, error)) {
        return ReadResult::failed("LibreOffice: cannot copy the source: " + error.message());
    }

    const std::string output = outFolder + "/source." + std::string(extension);
    const Clock::time_point deadline = Clock::now() + timeLimit_;
    if (warm_) {
        const WarmOffice::Result warm =
            warm_->convert(input, !looksLikeText(head), output, filter, deadline);
        // A damaged document: a fresh start would read it as text too.
        if (warm.outcome == WarmOffice::Outcome::kPlainText) {
            return ReadResult::failed(warm.reason);
        }
        // What stands at the output's name is used only as a file of its own.
        if (warm.outcome == WarmOffice::Outcome::kConverted &&
            fs::exists(fs::symlink_status(output, error))) {
            return use(output);
        }
        if (warm.outcome == WarmOffice::Outcome::kTimedOut) {
            ProcessResult timedOut;  // said as a fresh start's would be: the whole limit
            timedOut.end = ProcessResult::End::kTimedOut;
            return ReadResult::failed("LibreOffice " + timedOut.failure(timeLimit_));
        }
        fs::remove(output, error);
    }

    fs::create_directories(profile, error);
    Command command;
    command.program = program_;
    command.view = runner_.view();
    command.args = {"--headless",
                    "--invisible",
                    "--nologo",
                    "--norestore",
                    "--nolockcheck",
                    "--nodefault",
                    "-env:UserInstallation=" + fileUrl(command.view.writable(profile, "profile")),
                    "--convert-to",
                    std::string(filter),
                    "--outdir",
                    command.view.writable(work.path(), "work") + "/out",
                    command.view.confined() ? std::string(kInside) + "/work/" +
                                                  fs::path(input).filename().string()
                                            : input};
    // A workbook read with the Excel import, not with the plain-text one that
    // a damaged workbook would get (before the source, the last argument).
    if (format == Format::kExcel && isBinaryExcel(head)) {
        command.args.insert(command.args.end() - 1, "--infilter=MS Excel 97");
    }
    command.timeLimit = timeLeft(deadline);
    // A run cut short may leave its profile half written: the next starts afresh.
    ProcessResult result;
    try {
        result = runner_.run(command);
    } catch (const Interrupted&) {
        fs::remove_all(profile, error);
        throw;
    }
    if (result.end != ProcessResult::End::kExited) fs::remove_all(profile, error);
    if (!result.succeeded()) return ReadResult::failed("LibreOffice " + result.failure(timeLimit_));

    if (!fs::exists(fs::symlink_status(output, error))) {
        const std::string said = reportedError(result.out + "\n" + result.err);
        return ReadResult::failed("LibreOffice could not convert the file" +
                                  (said.empty() ? std::string() : ": " + said));
    }
    return use(output);
}

}  // namespace xdoc2txt
