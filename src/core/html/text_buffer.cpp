#include "html/text_buffer.h"

#include <algorithm>

namespace quill {

namespace {
constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

// Offset of the first CR or LF at or after from, or size when there is none.
std::size_t findBreak(const std::u16string& text, std::size_t from) {
    const auto end = text.end();
    const auto at = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(from), end,
                                 [](char16_t c) { return c == kCR || c == kLF; });
    return static_cast<std::size_t>(at - text.begin());
}
}  // namespace

void TextBuffer::setText(std::u16string text) {
    text_ = std::move(text);
    cursorLine_ = 0;
    cursorOffset_ = 0;
    lineCount_ = 1;
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const char16_t c = text_[i];
        if (c == kLF || (c == kCR && (i + 1 == text_.size() || text_[i + 1] != kLF))) ++lineCount_;
    }
}

std::size_t TextBuffer::nextLineStart(std::size_t offset) const {
    std::size_t at = findBreak(text_, offset);
    if (at == text_.size()) return at;
    if (text_[at] == kCR && at + 1 < text_.size() && text_[at + 1] == kLF) ++at;
    return at + 1;
}

std::u16string_view TextBuffer::line(std::size_t index) const {
    if (index >= lineCount_) return {};
    if (index < cursorLine_) {
        cursorLine_ = 0;
        cursorOffset_ = 0;
    }
    while (cursorLine_ < index) {
        cursorOffset_ = nextLineStart(cursorOffset_);
        ++cursorLine_;
    }
    const std::size_t end = findBreak(text_, cursorOffset_);
    return std::u16string_view(text_).substr(cursorOffset_, end - cursorOffset_);
}

}  // namespace quill
