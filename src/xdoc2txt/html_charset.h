#pragma once
// Which character set an HTML page declares, and the one to read it in when
// it declares none.

#include <optional>
#include <string>
#include <string_view>

namespace xdoc2txt {

// The character set a page declares: a byte-order mark, a <meta charset>
// or <meta http-equiv="Content-Type" content="...; charset=...">, or an XML
// declaration's encoding. Nothing when it declares none.
[[nodiscard]] std::optional<std::string> declaredCharset(std::string_view html);

// The name to give w3m for a character set that uchardet guessed (or a
// page declared): Shift_JIS and its aliases become CP932, which Windows
// pages are written in; nothing for "ASCII", "unknown" and an empty guess,
// which w3m's default (UTF-8) reads.
[[nodiscard]] std::optional<std::string> w3mCharsetFor(std::string_view guess);

}  // namespace xdoc2txt
