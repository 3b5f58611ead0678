#include "document_signature.h"

namespace xdoc2txt {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

unsigned char at(std::string_view head, std::size_t i) {
    return i < head.size() ? static_cast<unsigned char>(head[i]) : 0;
}

// OLE2 compound files (Word, Excel, PowerPoint 97 and later, Excel 5/95,
// Works) and ZIP packages (Office Open XML saved under an old name).
bool isContainer(std::string_view head) {
    return startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || startsWith(head, "PK\x03\x04");
}

// Text in some encoding: a UTF-16 byte-order mark, or no NUL and hardly any
// other control bytes (escape, as in ISO-2022-JP, is text).
bool isText(std::string_view head) {
    if (startsWith(head, "\xFF\xFE") || startsWith(head, "\xFE\xFF")) return true;
    if (head.empty()) return false;
    std::size_t controls = 0;
    for (const char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) return false;
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' &&
            byte != 0x1B && byte != 0x1A) {
            ++controls;
        }
    }
    return controls * 100 < head.size();
}

// Excel 2.x to 4.0 worksheets start with a BOF record (0x0009, 0x0209, 0x0409).
bool isOldExcel(std::string_view head) {
    return at(head, 0) == 0x09 &&
           (at(head, 1) == 0x00 || at(head, 1) == 0x02 || at(head, 1) == 0x04) &&
           at(head, 3) == 0x00;
}

// Lotus 1-2-3 files start with a BOF record: opcode 0, length 2 (WK1) or
// 26 (WK3, WK4, 123).
bool isLotus(std::string_view head) {
    return at(head, 0) == 0 && at(head, 1) == 0 && (at(head, 2) == 0x02 || at(head, 2) == 0x1A) &&
           at(head, 3) == 0 && head.size() >= 6;
}

}  // namespace

bool looksLikeText(std::string_view head) {
    return isText(head);
}

bool isBinaryExcel(std::string_view head) {
    return startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || isOldExcel(head);
}

bool looksLikeDocument(Format format, std::string_view head) {
    if (isContainer(head) || isText(head)) return true;
    switch (format) {
        case Format::kExcel:
            return isOldExcel(head);
        case Format::kLotus:
            return isLotus(head);
        default:
            return false;
    }
}

}  // namespace xdoc2txt
