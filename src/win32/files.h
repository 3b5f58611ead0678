#pragma once
// Whole-file reading and buffered writing, and conversion through the
// system's ANSI code page.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

namespace quill::win32 {

[[nodiscard]] std::optional<FileBytes> readWholeFile(std::u16string_view path);
// Creates or truncates the file; nullptr when it cannot be created.
[[nodiscard]] std::unique_ptr<OutputFile> createFile(std::u16string_view path);

// The system time, and a file's last-write time, as file times.
[[nodiscard]] FileTime systemFileTime();
[[nodiscard]] std::optional<FileTime> lastWriteTime(std::u16string_view path);

// The lead bytes of the ANSI code page, as GetCPInfo reports their ranges.
[[nodiscard]] LeadBytes ansiLeadBytes();
// Appends the decoded bytes to text. A lead byte takes the byte after it,
// whatever it is: the core hands over no broken one (html/ansi_decoding.h).
void appendAnsiAsWide(std::string_view bytes, std::u16string& text);
void wideToAnsi(std::u16string_view text, std::string& out);

}  // namespace quill::win32
