#include "spreadsheet_csv.h"

#include <vector>

namespace xdoc2txt {
namespace {

void endRow(std::vector<std::string>& row, std::string& text, std::size_t& filledLength) {
    while (!row.empty() && row.back().empty()) row.pop_back();
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) text += '\t';
        text += row[i];
    }
    text += '\n';
    if (!row.empty()) filledLength = text.size();
    row.clear();
}

}  // namespace

std::string csvToTabbedRows(std::string_view csv) {
    std::string text;
    std::size_t filledLength = 0;  // the text up to its last row with a value
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    bool pending = false;  // a row has begun
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted) {
            if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else if (c == '\r' || c == '\n' || c == '\t') {
                if (!(c == '\n' && i > 0 && csv[i - 1] == '\r')) cell += ' ';
            } else {
                cell += c;
            }
            continue;
        }
        pending = true;
        if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') ++i;
            row.push_back(std::move(cell));
            cell.clear();
            endRow(row, text, filledLength);
            pending = false;
        } else {
            cell += c == '\t' ? ' ' : c;
        }
    }
    if (pending) {
        row.push_back(std::move(cell));
        endRow(row, text, filledLength);
    }
    text.resize(filledLength);
    return text;
}

}  // namespace xdoc2txt
