#pragma once
// Whether a text output on disk was written by the current run, or is an
// older text that a failed conversion left in place.

#include <optional>

#include "platform.h"

namespace quill {

// File systems that keep write times in 2-second steps (FAT) may date a text
// up to this much before the moment it was written.
inline constexpr FileTime kWriteTimeStep = std::chrono::seconds(2);

// A text counts as written by the run when it is there now and
// - its last-write time is at or after the run's start less kWriteTimeStep, or
// - it was not there when the run began, or its last-write time then
//   differs from the one it has now (this keeps a text that a file server
//   with a slow clock dated before the run).
// before: the text's last-write time when the run began; now: the one it has
// after the conversions.
[[nodiscard]] inline bool writtenByRun(std::optional<FileTime> before, std::optional<FileTime> now,
                                       FileTime runStart) {
    if (!now) return false;
    return *now >= runStart - kWriteTimeStep || !before || *before != *now;
}

}  // namespace quill
