#include "html/page_format.h"

namespace quill {

namespace {
constexpr std::u16string_view kFooter =
    u"<p align=\"right\"><small><B>Quillmark</B></small><br>\r\n"
    u"<small><B>(C) 2026 <a href=\"mailto:quillmark@example.org\">Quillmark developers</a>"
    u"</B></small><br>\r\n"
    u"<small><B>NonSupportHP : <a "
    u"href=\"https://quillmark.example.org/\">どうでもいいかな</a></B></small></p>";

struct CodePageLabel {
    std::uint32_t codePage;
    std::u16string_view label;
};

// The ANSI code pages of Windows, and a few others a system may report.
constexpr CodePageLabel kLabels[] = {
    {932, u"x-sjis"},        {874, u"windows-874"},   {936, u"gbk"},
    {949, u"euc-kr"},        {950, u"big5"},          {1250, u"windows-1250"},
    {1251, u"windows-1251"}, {1252, u"windows-1252"}, {1253, u"windows-1253"},
    {1254, u"windows-1254"}, {1255, u"windows-1255"}, {1256, u"windows-1256"},
    {1257, u"windows-1257"}, {1258, u"windows-1258"}, {65001, u"utf-8"},
    {866, u"ibm866"},        {20866, u"koi8-r"},      {21866, u"koi8-u"},
    {20932, u"euc-jp"},      {51932, u"euc-jp"},      {54936, u"gb18030"},
    {28592, u"iso-8859-2"},  {28595, u"iso-8859-5"},  {28597, u"iso-8859-7"},
    {28605, u"iso-8859-15"}, {10000, u"macintosh"},
};

// Appends text with "&", "<" and ">" replaced by their character references.
void appendEscaped(std::u16string& out, std::u16string_view text) {
    const auto append = [&out](std::u16string_view piece) { out.append(piece); };
    escapeHtml(text, append, append);
}
}  // namespace

std::u16string_view charsetLabel(std::uint32_t codePage) {
    for (const CodePageLabel& entry : kLabels) {
        if (entry.codePage == codePage) return entry.label;
    }
    // Windows knows no other ANSI code page; the most common one is the
    // least surprising guess.
    return u"windows-1252";
}

std::u16string_view trimTrailingSpaces(std::u16string_view line) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == u' ') --end;
    return line.substr(0, end);
}

std::u16string headRecord(std::u16string_view charset) {
    std::u16string record =
        u"<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    record += charset;
    record += u"\">";
    return record;
}

std::u16string titleRecord(std::u16string_view title) {
    std::u16string record = u"<title>Quillmark - ";
    appendEscaped(record, title);
    record += u"</title>";
    return record;
}

std::u16string_view bodyOpenRecord() {
    return u"\r\n</head>\r\n<body bgcolor=\"#A7E0FF\">";
}

std::u16string_view footerRecord() {
    return kFooter;
}

std::u16string_view closingRecord() {
    return u"</body>\r\n</html>";
}

std::u16string_view bodyRecordStart(std::size_t line) {
    return line == 0 ? u"<P>" : u"";
}

std::u16string_view bodyRecordEnd(bool pastLast) {
    return pastLast ? u"</P><br>" : u"<br>";
}

}  // namespace quill
