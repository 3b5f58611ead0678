#include "html/text_buffer.h"

#include "base/text_util.h"

namespace quill {

namespace {
constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

// Offset of the first CR or LF at or after from, or the text's size.
std::size_t findBreak(std::u16string_view text, std::size_t from) {
    return findFirstOf<kCR, kLF>(text, from);
}
}  // namespace

void TextBuffer::setText(std::u16string text) {
    text_ = std::move(text);
    lineCount_.reset();
    cursorLine_ = 0;
    cursorOffset_ = 0;
    cursorEnd_ = findBreak(text_, 0);
}

std::u16string TextBuffer::takeText() {
    std::u16string taken = std::move(text_);
    setText(std::u16string());
    return taken;
}

std::size_t TextBuffer::lineCount() const {
    if (!lineCount_) {
        std::size_t count = 1;
        const std::size_t size = text_.size();
        for (std::size_t i = 0; i < size; ++i) {
            const char16_t c = text_[i];
            if (c > kCR) continue;
            // CR LF is one break; so is a lone CR and a lone LF.
            if (c == kLF || (c == kCR && (i + 1 == size || text_[i + 1] != kLF))) ++count;
        }
        lineCount_ = count;
    }
    return *lineCount_;
}

bool TextBuffer::seek(std::size_t index) const {
    if (index < cursorLine_) {
        cursorLine_ = 0;
        cursorOffset_ = 0;
        cursorEnd_ = findBreak(text_, 0);
    }
    while (cursorLine_ < index) {
        if (cursorEnd_ == text_.size()) return false;
        std::size_t next = cursorEnd_ + 1;
        if (text_[cursorEnd_] == kCR && next < text_.size() && text_[next] == kLF) ++next;
        cursorOffset_ = next;
        cursorEnd_ = findBreak(text_, next);
        ++cursorLine_;
    }
    return true;
}

std::u16string_view TextBuffer::line(std::size_t index) const {
    if (!seek(index)) return {};
    return std::u16string_view(text_).substr(cursorOffset_, cursorEnd_ - cursorOffset_);
}

bool TextBuffer::isLastLine(std::size_t index) const {
    return !seek(index) || cursorEnd_ == text_.size();
}

}  // namespace quill
