#pragma once
// LibreOffice, headless, as a reader: one conversion at a time (a lock
// file), a private profile under xdoc2txt's cache folder, a time limit, and
// a working folder of its own that is removed afterwards. LibreOffice reads
// a copy of the source with a plain name, so no source name can reach its
// command line and nothing it writes lands beside the source.
//
// LibreOffice runs in the readers' sandbox, warm or cold: it sees the
// working folder and its profile, and has no network, so it fetches nothing
// a document links to.
//
// An instance kept running (warm_office.h) converts when it can; when it
// cannot be started or reached, or fails on the document, LibreOffice is
// started afresh for the document ("cold") with the time left. An instance
// that did not answer within the time limit is not followed by a cold start:
// both together stay within the limit.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "reader_chain.h"
#include "source_kind.h"
#include "unique_fd.h"
#include "warm_office.h"

namespace xdoc2txt {

// Whether and how LibreOffice is kept running between conversions.
struct WarmSettings {
    bool enabled = true;                                      // XDOC2TXT_SOFFICE_WARM
    std::chrono::milliseconds idle{std::chrono::minutes(2)};  // XDOC2TXT_SOFFICE_IDLE
    std::string python;  // Debian's interpreter (which sees python3-uno)
    std::string script;  // xdoc2txt-office.py beside the executable; empty when missing
};

class LibreOffice {
public:
    LibreOffice(const ProcessRunner& runner, const std::vector<std::string>& searchPath,
                std::string cacheFolder, std::chrono::milliseconds timeLimit,
                const WarmSettings& warm);

    // Converts the source (whose suffix is given, lower case) with the
    // export filter into a file of the given extension, and gives that
    // file's path to `use` while it exists. A source that does not start
    // like a document of its format is refused.
    [[nodiscard]] ReadResult convert(
        const std::string& source, Format format, std::string_view suffix, std::string_view filter,
        std::string_view extension, const std::function<ReadResult(const std::string&)>& use) const;

    // Starts the instance kept running, unless it runs, it is turned off, or
    // a conversion holds LibreOffice now (which starts it); never waits for
    // it. False when none could be started.
    [[nodiscard]] bool warm() const;

    // Whether LibreOffice is the reader of this source (its format and first
    // bytes): a presentation or RTF, or a text file (RTF, HTML) under a Word,
    // Excel or Lotus name, which their own readers refuse.
    [[nodiscard]] static bool readsFirst(Format format, const std::string& source);

private:
    const ProcessRunner& runner_;
    std::string program_;  // empty when LibreOffice is not installed
    std::string cacheFolder_;
    std::chrono::milliseconds timeLimit_;
    std::optional<WarmOffice> warm_;  // none when it is turned off or cannot run
};

// A file URL for an absolute path, every byte but the unreserved ones and
// '/' percent-encoded.
[[nodiscard]] std::string fileUrl(std::string_view path);

// The whole content of a file; nothing when it cannot be read.
[[nodiscard]] std::optional<std::string> readWholeFile(const std::string& path);

// A file a reader wrote, opened for reading only when it is a regular file
// itself: never through a link, never a FIFO or a device. Empty otherwise.
[[nodiscard]] UniqueFd openOutputFile(const std::string& path);
// The whole content of such a file; nothing when it is not one or cannot be read.
[[nodiscard]] std::optional<std::string> readOutputFile(const std::string& path);

}  // namespace xdoc2txt
