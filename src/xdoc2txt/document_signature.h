#pragma once
// Whether a file's first bytes look like a document LibreOffice should read
// for its format. LibreOffice imports any file it cannot place as plain text:
// a damaged or foreign binary file would give a "text" of noise, reported as
// a success. Only a file that starts like a document of its family, or that
// is text itself (a plain-text, RTF or HTML file under the format's name),
// goes to it.

#include <string_view>

#include "source_kind.h"

namespace xdoc2txt {

// How many of a file's first bytes the test reads.
inline constexpr std::size_t kSignatureBytes = 65536;

[[nodiscard]] bool looksLikeDocument(Format format, std::string_view head);

// Whether the file is text itself. A binary document that LibreOffice could
// read only with its plain-text import is damaged, and gives no text.
[[nodiscard]] bool looksLikeText(std::string_view head);

// Whether it is a binary Excel workbook of any version (not a ZIP package):
// LibreOffice's "MS Excel 97" import reads them all, and a damaged one fails
// instead of being read as text.
[[nodiscard]] bool isBinaryExcel(std::string_view head);

}  // namespace xdoc2txt
