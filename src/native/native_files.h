#pragma once
// Whole-file reading and buffered page writing on a POSIX file system, for
// native builds (benchmarks and tools). Paths are UTF-16 and stored as UTF-8.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

namespace quill {

// A name's bytes and its UTF-16 form. A file name is any bytes: what is not
// UTF-8 is carried byte by byte as the lone surrogates U+DC80 to U+DCFF (as
// Python's surrogateescape does), so that every name comes back as it was.
[[nodiscard]] std::u16string nameFromBytes(std::string_view bytes);
// A file named by a program argument, taken from the current folder when it
// is relative (nothing else is changed: no link or ".." is resolved); empty
// when the current folder cannot be had.
[[nodiscard]] std::u16string absoluteName(std::string_view argument);
// UTF-8 form of a UTF-16 text, those lone surrogates back as their bytes
// (other unpaired surrogates pass through as such).
[[nodiscard]] std::string toUtf8(std::u16string_view text);
// A regular file read whole (Files::readWholeFile).
[[nodiscard]] std::optional<FileBytes> readWholeNativeFile(std::u16string_view path);
// A file that takes the path's place once closed (Files::createFile).
[[nodiscard]] std::unique_ptr<OutputFile> createNativeFile(std::u16string_view path);

// The system clock and a file's modification time, since 1970.
[[nodiscard]] FileTime nativeNow();
[[nodiscard]] std::optional<FileTime> nativeLastWriteTime(std::u16string_view path);

}  // namespace quill
