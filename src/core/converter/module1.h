#pragma once
// The converter command line, the expected text-output name, and the string
// cut. Pure functions; a 16-bit overflow or an invalid argument raises a
// RunFailure.

#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

// The converter's name, run from the program's own folder.
inline constexpr std::u16string_view kConverterName = u"xdoc2txt";

// "<appDir>xdoc2txt" -f "<source>" followed by CR LF; nothing is escaped.
[[nodiscard]] std::u16string fCmdLine(std::u16string_view appDir, std::u16string_view source);

// True when the source ends in ".html" (any case): no text-output name is
// derived for it.
[[nodiscard]] bool endsInHtml(std::u16string_view source);

// The source less its last four characters, plus ".txt". Raises Overflow for
// a path longer than 32,767 characters and InvalidArgument for one shorter
// than four.
[[nodiscard]] std::u16string fTxtName(std::u16string_view source);

// The text with count characters removed from position start on (position 1
// is the first character).
[[nodiscard]] std::u16string fStrCut(std::u16string_view text, std::int16_t start,
                                     std::int16_t count);

}  // namespace quill
