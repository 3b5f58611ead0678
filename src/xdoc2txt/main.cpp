// xdoc2txt for Linux: writes the text of an office document beside it, read
// by Debian's document tools and LibreOffice.
//
//   xdoc2txt -f SOURCE      (xdoc2txt --help tells the rest)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "child_process.h"
#include "environment.h"
#include "exit_codes.h"
#include "format_readers.h"
#include "interruption.h"
#include "libreoffice.h"
#include "reader_chain.h"
#include "sandbox.h"
#include "seccomp_filter.h"
#include "source_kind.h"
#include "text_encoding.h"
#include "text_file.h"

extern char** environ;

namespace xdoc2txt {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kToolTimeLimit = std::chrono::seconds(120);
constexpr milliseconds kOfficeTimeLimit = std::chrono::seconds(300);
constexpr const char* kPython = "/usr/bin/python3";

[[noreturn]] void usage(const std::string& reason) {
    throw Failure(ExitCode::kUsage, reason);
}

// A setting in seconds (XDOC2TXT_TIMEOUT, ...), when set.
std::optional<milliseconds> secondsSetting(const char* name) {
    const char* setting = std::getenv(name);
    if (!setting || !*setting) return std::nullopt;
    // With a decimal point whatever the locale says.
    const std::string_view text(setting);
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size() || !(seconds > 0) ||
        seconds > 86400) {
        usage(std::string(name) + " is not a number of seconds: " + setting);
    }
    return milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
}

// Fails unless the source is a regular file that can be read.
void checkSource(const std::string& source) {
    const int fd = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw Failure(ExitCode::kSourceUnreadable,
                      error == ENOENT
                          ? "no such file"
                          : std::string("cannot read the source: ") + std::strerror(error));
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular) throw Failure(ExitCode::kSourceUnreadable, "not a regular file");
}

// A helper script beside the executable; empty when it is missing.
std::string besideExecutable(const std::string& name) {
    const std::string script = executableFolder() + "/" + name;
    return ::access(script.c_str(), R_OK) == 0 ? script : std::string();
}

// Whether the readers run in the sandbox: XDOC2TXT_SANDBOX=0 turns it off.
bool sandboxWanted() {
    const char* setting = std::getenv("XDOC2TXT_SANDBOX");
    if (!setting || !*setting) return true;
    const std::string_view value(setting);
    if (value != "0" && value != "1") {
        usage("XDOC2TXT_SANDBOX is neither 0 nor 1: " + std::string(value));
    }
    return value == "1";
}

// The readers' sandbox (bubblewrap from /usr/bin, else the search path);
// none when it is turned off.
std::optional<Sandbox> readersSandbox(bool confined, const std::vector<std::string>& folders) {
    if (!confined) return std::nullopt;
    std::optional<std::string> bwrap = findProgram("/usr/bin/bwrap", {});
    if (!bwrap) bwrap = findProgram("bwrap", folders);
    if (!bwrap) throw Failure(ExitCode::kNoSandbox, missingSandboxReason());
    return std::optional<Sandbox>(std::in_place, *bwrap, readerSyscallFilter());
}

WarmSettings warmSettings() {
    WarmSettings warm;
    if (const char* setting = std::getenv("XDOC2TXT_SOFFICE_WARM"); setting && *setting) {
        const std::string_view value(setting);
        if (value != "0" && value != "1") {
            usage("XDOC2TXT_SOFFICE_WARM is neither 0 nor 1: " + std::string(value));
        }
        warm.enabled = value == "1";
    }
    warm.idle = secondsSetting("XDOC2TXT_SOFFICE_IDLE").value_or(warm.idle);
    warm.python = kPython;
    warm.script = besideExecutable("xdoc2txt-office.py");
    return warm;
}

// --warm: has LibreOffice started for the sources that it will read, in the
// background, so that their conversions need not wait for it.
int warmFor(const std::vector<std::string>& sources) {
    const WarmSettings warm = warmSettings();
    const bool confined = sandboxWanted();
    const bool wanted = std::any_of(sources.begin(), sources.end(), [](const std::string& source) {
        return LibreOffice::readsFirst(formatOf(source), source);
    });
    if (!warm.enabled || !wanted) return 0;
    const std::vector<std::string> folders = searchPath(std::getenv("PATH"));
    const std::optional<Sandbox> sandbox = readersSandbox(confined, folders);
    const ProcessRunner runner(readerEnvironment(environ, homeFolder(), folders),
                               sandbox ? &*sandbox : nullptr);
    const LibreOffice office(runner, folders, cacheFolder(),
                             secondsSetting("XDOC2TXT_TIMEOUT").value_or(kOfficeTimeLimit), warm);
    return office.warm() ? 0 : static_cast<int>(ExitCode::kNoConverter);
}

void convert(const std::string& source) {
    std::optional<TextEncoder> encoder;
    const std::string encodingName = requestedEncodingName();
    try {
        encoder.emplace(encodingFor(encodingName));
    } catch (const std::invalid_argument&) {
        usage("unknown text encoding " + encodingName);
    }
    const std::optional<milliseconds> timeLimit = secondsSetting("XDOC2TXT_TIMEOUT");
    const WarmSettings warm = warmSettings();
    const bool confined = sandboxWanted();

    const Format format = formatOf(source);
    if (format == Format::kUnsupported) {
        throw Failure(ExitCode::kUnsupported,
                      "unsupported suffix (xdoc2txt --help lists the formats)");
    }
    checkSource(source);
    if (format == Format::kText) return;  // a text already, its own output
    if (format == Format::kIchitaro) {
        throw Failure(ExitCode::kNoConverter,
                      "no converter for this format: no free reader of Ichitaro documents exists");
    }

    const std::vector<std::string> folders = searchPath(std::getenv("PATH"));
    const std::optional<Sandbox> sandbox = readersSandbox(confined, folders);
    if (!sandbox) std::fputs(unconfinedWarning().c_str(), stderr);

    // Made first, so that a folder that cannot take the text fails at once.
    PendingTextFile text(*textNameFor(source));

    const ProcessRunner runner(readerEnvironment(environ, homeFolder(), folders),
                               sandbox ? &*sandbox : nullptr);
    const LibreOffice office(runner, folders, cacheFolder(), timeLimit.value_or(kOfficeTimeLimit),
                             warm);
    const ReaderTools tools{runner,
                            office,
                            folders,
                            kPython,
                            besideExecutable("xdoc2txt-read.py"),
                            suffixOf(source),
                            timeLimit.value_or(kToolTimeLimit)};
    const ChainResult read =
        readFirst(readersFor(format, absolutePath(source), suffixOf(source), tools));
    if (!read.text) {
        if (!read.anyInstalled) {
            throw Failure(ExitCode::kNoConverter, "no converter for this format: " + read.reasons);
        }
        throw Failure(ExitCode::kConversionFailed, "conversion failed: " + read.reasons);
    }
    const std::string bytes = encoder->encode(normalizeText(*read.text));
    throwIfInterrupted();
    text.commit(bytes);
}

int run(int argc, char** argv) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (argc == 2 && (first == "--help" || first == "-h")) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    if (argc >= 3 && first == "--warm") {
        try {
            return warmFor(std::vector<std::string>(argv + 2, argv + argc));
        } catch (const std::exception& failure) {
            std::fputs(("xdoc2txt: --warm: " + escapeControls(failure.what()) + "\n").c_str(),
                       stderr);
            const auto* known = dynamic_cast<const Failure*>(&failure);
            return static_cast<int>(known ? known->code() : ExitCode::kInternal);
        }
    }
    if (argc != 3 || first != "-f" || argv[2][0] == '\0') {
        std::fputs("xdoc2txt: usage: xdoc2txt -f SOURCE (xdoc2txt --help tells more)\n", stderr);
        return static_cast<int>(ExitCode::kUsage);
    }
    const std::string source = argv[2];
    try {
        convert(source);
        return 0;
    } catch (const Failure& failure) {
        std::fputs(errorLine(source, failure.what()).c_str(), stderr);
        return static_cast<int>(failure.code());
    } catch (const std::exception& fault) {
        std::fputs(errorLine(source, std::string("internal fault: ") + fault.what()).c_str(),
                   stderr);
        return static_cast<int>(ExitCode::kInternal);
    }
}

}  // namespace
}  // namespace xdoc2txt

int main(int argc, char** argv) {
    // Standard input, output and error open, so that no file or pipe
    // xdoc2txt opens takes their numbers (a parent may have closed them).
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", O_RDWR) != fd) return 1;
    }
    xdoc2txt::catchInterruptions();
    try {
        return xdoc2txt::run(argc, argv);
    } catch (const xdoc2txt::Interrupted& interrupted) {
        // Everything made so far is removed by now.
        xdoc2txt::dieOf(interrupted.signal);
    }
}
