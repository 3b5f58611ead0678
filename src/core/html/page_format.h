#pragma once
// The HTML page: a fixed header, one body record per text line, a fixed
// footer. Every record is written followed by CR LF.

#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

// The charset label declared for a page written in the given code page:
// "x-sjis" for 932, otherwise the web's label for that code page.
[[nodiscard]] std::u16string_view charsetLabel(std::uint32_t codePage);

// Appends text with "&", "<" and ">" replaced by their character references.
void appendEscaped(std::u16string& out, std::u16string_view text);

// The text of a line as the page shows it: trailing U+0020 spaces removed.
[[nodiscard]] std::u16string_view trimTrailingSpaces(std::u16string_view line);

// The page for a text output: the entry less its last four characters, plus
// ".html". Empty when the entry is shorter than four characters.
[[nodiscard]] std::u16string pagePath(std::u16string_view textOutput);

// The page title: the page's file name without its extension.
[[nodiscard]] std::u16string_view pageTitle(std::u16string_view textOutput);

[[nodiscard]] std::u16string headRecord(std::u16string_view charset);
[[nodiscard]] std::u16string titleRecord(std::u16string_view title);
[[nodiscard]] std::u16string_view bodyOpenRecord();
[[nodiscard]] std::u16string_view footerRecord();
[[nodiscard]] std::u16string_view closingRecord();

// Composes the body record of line i of n + 1 (lines 0 ... n, line n being
// the empty one past the last) into out, replacing its content.
void composeBodyRecord(std::u16string& out, std::size_t i, std::size_t n, std::u16string_view text);

}  // namespace quill
