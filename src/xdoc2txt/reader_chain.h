#pragma once
// The readers of one format, tried in order until one gives text.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xdoc2txt {

struct ReadResult {
    enum class Kind { kText, kFailed, kMissing };
    Kind kind = Kind::kFailed;
    std::string text;    // kText: the reader's output, UTF-8
    std::string reason;  // kFailed, kMissing: why there is no text

    [[nodiscard]] static ReadResult of(std::string utf8) {
        return {Kind::kText, std::move(utf8), {}};
    }
    [[nodiscard]] static ReadResult failed(std::string why) {
        return {Kind::kFailed, {}, std::move(why)};
    }
    // The reader is not installed (or something it needs is not).
    [[nodiscard]] static ReadResult missing(std::string why) {
        return {Kind::kMissing, {}, std::move(why)};
    }
};

struct Reader {
    std::string name;
    std::function<ReadResult()> read;
};

struct ChainResult {
    std::optional<std::string> text;  // the first output with visible text
    bool anyInstalled = false;        // some reader was there to try
    std::string reasons;              // why each reader tried gave none, "; " between
};

// Runs the readers in order up to the first whose output holds visible
// text; an empty output (or white space alone) counts as a failure, as
// several readers exit 0 without output when they cannot read a file.
[[nodiscard]] ChainResult readFirst(const std::vector<Reader>& readers);

}  // namespace xdoc2txt
