#pragma once
// Which readers each format has, in the order they are tried, and how each
// is run. Every reader's output is UTF-8.

#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"
#include "libreoffice.h"
#include "reader_chain.h"
#include "source_kind.h"

namespace xdoc2txt {

struct ReaderTools {
    const ProcessRunner& runner;
    const LibreOffice& office;
    std::vector<std::string> searchPath;
    std::string python;        // Debian's interpreter (which sees python3-xlrd)
    std::string helperScript;  // xdoc2txt-read.py beside the executable
    std::string suffix;        // the source's suffix, lower case
    std::chrono::milliseconds timeLimit;
};

// The readers of a source's format. The source path is absolute, so that no
// reader takes it for an option; suffix is its lower-case suffix.
[[nodiscard]] std::vector<Reader> readersFor(Format format, const std::string& source,
                                             const std::string& suffix, const ReaderTools& tools);

}  // namespace xdoc2txt
