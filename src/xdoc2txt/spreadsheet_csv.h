#pragma once
// Comma-separated values as the text of a sheet.

#include <string>
#include <string_view>

namespace xdoc2txt {

// CSV (fields separated by ',', quoted with '"', a doubled '"' inside a
// quoted field) made a row a line with cells separated by tabs, as the
// text of every spreadsheet: line breaks and tabs inside a cell become
// spaces, empty cells at the end of a row and empty rows at the end are
// dropped.
[[nodiscard]] std::string csvToTabbedRows(std::string_view csv);

}  // namespace xdoc2txt
