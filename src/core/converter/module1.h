#pragma once
// Module1: the converter command line and the string cut. Its third
// function, the text-output name fTxtName, stands with the other name rules
// in base/naming.h. Pure functions; a 16-bit overflow or an invalid
// argument raises a RunFailure.

#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

// The converter's name, run from the program's own folder.
inline constexpr std::u16string_view kConverterName = u"xdoc2txt";

// "<appDir>xdoc2txt" -f "<source>" followed by CR LF; nothing is escaped.
[[nodiscard]] std::u16string fCmdLine(std::u16string_view appDir, std::u16string_view source);

// The text with count characters removed from position start on (position 1
// is the first character). The runs paste every command line whole, so
// nothing in them cuts a text.
[[nodiscard]] std::u16string fStrCut(std::u16string_view text, std::int16_t start,
                                     std::int16_t count);

}  // namespace quill
