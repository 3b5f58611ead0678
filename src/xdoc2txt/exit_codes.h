#pragma once
// The exit codes of xdoc2txt, and the failure that carries one to main.

#include <stdexcept>
#include <string>
#include <string_view>

namespace xdoc2txt {

enum class ExitCode : int {
    kWritten = 0,           // the text was written (or the source is itself a text)
    kInternal = 1,          // an unexpected fault inside xdoc2txt
    kUsage = 2,             // wrong command line, or an unknown XDOC2TXT_ENCODING
    kSourceUnreadable = 3,  // the source is missing, not a regular file, or unreadable
    kUnsupported = 4,       // the suffix names no supported format
    kNoConverter = 5,       // no reader for this format is available
    kConversionFailed = 6,  // every reader failed, gave no text, or ran out of time
    kNotWritable = 7,       // the text could not be written beside the source
    kNoSandbox = 8,         // the readers' sandbox is missing or cannot be set up
};

// A failure that ends the run with its exit code and a one-line reason.
class Failure : public std::runtime_error {
public:
    Failure(ExitCode code, const std::string& reason) : std::runtime_error(reason), code_(code) {}
    [[nodiscard]] ExitCode code() const noexcept { return code_; }

private:
    ExitCode code_;
};

// The text of --help: the command line, the environment and every exit code.
[[nodiscard]] std::string helpText();

// "xdoc2txt: SOURCE: REASON" on one line: control characters in the source
// name and the reason are shown escaped, so the message stays one line.
[[nodiscard]] std::string errorLine(std::string_view source, std::string_view reason);

// Control characters (and DEL) as \n, \t, \r or \xNN; every other byte as is.
[[nodiscard]] std::string escapeControls(std::string_view text);

}  // namespace xdoc2txt
