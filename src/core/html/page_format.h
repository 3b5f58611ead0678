#pragma once
// The HTML page: a fixed header, one body record per text line, a fixed
// footer. Every record is written followed by CR LF.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/text_util.h"

namespace quill {

// The charset label declared for a page written in the given code page:
// "x-sjis" for 932, otherwise the web's label for that code page.
[[nodiscard]] std::u16string_view charsetLabel(std::uint32_t codePage);

// Walks text as HTML shows it: the runs of plain text go to onText, and each
// "&", "<" and ">" goes to onReference as its character reference.
template <class OnText, class OnReference>
void escapeHtml(std::u16string_view text, OnText&& onText, OnReference&& onReference) {
    std::size_t from = 0;
    for (std::size_t i = findFirstOf<u'&', u'<', u'>'>(text, 0); i < text.size();
         i = findFirstOf<u'&', u'<', u'>'>(text, i + 1)) {
        if (i > from) onText(text.substr(from, i - from));
        onReference(text[i] == u'&'   ? std::u16string_view(u"&amp;")
                    : text[i] == u'<' ? std::u16string_view(u"&lt;")
                                      : std::u16string_view(u"&gt;"));
        from = i + 1;
    }
    if (from < text.size()) onText(text.substr(from));
}

// The text of a line as the page shows it: trailing U+0020 spaces removed.
[[nodiscard]] std::u16string_view trimTrailingSpaces(std::u16string_view line);

[[nodiscard]] std::u16string headRecord(std::u16string_view charset);
[[nodiscard]] std::u16string titleRecord(std::u16string_view title);
[[nodiscard]] std::u16string_view bodyOpenRecord();
[[nodiscard]] std::u16string_view footerRecord();
[[nodiscard]] std::u16string_view closingRecord();

// A body record is the line's escaped text, trailing spaces removed, between
// these two: the first line's record opens the paragraph, and the record of
// the empty line past the last closes it.
[[nodiscard]] std::u16string_view bodyRecordStart(std::size_t line);
[[nodiscard]] std::u16string_view bodyRecordEnd(bool pastLast);

}  // namespace quill
