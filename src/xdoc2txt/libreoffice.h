#pragma once
// LibreOffice, headless, as a reader: one conversion at a time (a lock
// file), a private profile under xdoc2txt's cache folder, a time limit, and
// a working folder of its own that is removed afterwards. LibreOffice reads
// a copy of the source with a plain name, so no source name can reach its
// command line and nothing it writes lands beside the source.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "reader_chain.h"
#include "source_kind.h"

namespace xdoc2txt {

class LibreOffice {
public:
    LibreOffice(const ProcessRunner& runner, const std::vector<std::string>& searchPath,
                std::string cacheFolder, std::chrono::milliseconds timeLimit);

    // Converts the source (whose suffix is given, lower case) with the
    // export filter into a file of the given extension, and gives that
    // file's path to `use` while it exists. A source that does not start
    // like a document of its format is refused.
    [[nodiscard]] ReadResult convert(
        const std::string& source, Format format, std::string_view suffix, std::string_view filter,
        std::string_view extension, const std::function<ReadResult(const std::string&)>& use) const;

private:
    const ProcessRunner& runner_;
    std::string program_;  // empty when LibreOffice is not installed
    std::string cacheFolder_;
    std::chrono::milliseconds timeLimit_;
};

// A file URL for an absolute path, every byte but the unreserved ones and
// '/' percent-encoded.
[[nodiscard]] std::string fileUrl(std::string_view path);

// The whole content of a file; nothing when it cannot be read.
[[nodiscard]] std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace xdoc2txt
