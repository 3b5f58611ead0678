#pragma once
// What a source is, from its name alone, and the name of its text.

#include <optional>
#include <string>
#include <string_view>

namespace xdoc2txt {

enum class Format {
    kUnsupported,
    kText,        // .txt: a text already, its own output
    kPdf,         // .pdf
    kWord,        // .doc
    kExcel,       // .xls
    kPowerPoint,  // .ppt
    kRichText,    // .rtf
    kHtml,        // .htm, .html
    kLotus,       // .wk3 .wk4 .123 .wj2 .wj3 (Lotus 1-2-3 and Works spreadsheets)
    kIchitaro,    // .jtd .jaw .jtw .jbw .juw .jfw .jvw .jtt
};

// The format a source name's suffix names, in any letter case.
[[nodiscard]] Format formatOf(std::string_view source);

// The source's suffix in lower case (".doc", ".html"), or empty when the
// format is unsupported.
[[nodiscard]] std::string suffixOf(std::string_view source);

// The text's name: the source less its suffix (five characters for
// ".html", four otherwise), plus ".txt". Nothing for an unsupported source.
[[nodiscard]] std::optional<std::string> textNameFor(std::string_view source);

}  // namespace xdoc2txt
