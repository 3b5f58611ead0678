#pragma once
// The text of one text output, seen as lines numbered from 0. Lines end at
// CR LF, at a lone LF and at a lone CR; a text with n breaks has n + 1 lines,
// so an empty text has one empty line. Lines are handed back without their
// breaks, and never cut.

#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

class TextBuffer {
public:
    // Replaces the whole content.
    void setText(std::u16string text);

    [[nodiscard]] const std::u16string& text() const noexcept { return text_; }
    [[nodiscard]] std::size_t lineCount() const noexcept { return lineCount_; }

    // Line i without its break; empty for an index past the last line.
    // Reading the lines in order costs one pass over the text in all.
    [[nodiscard]] std::u16string_view line(std::size_t index) const;

private:
    // Start of the line after the one starting at offset.
    [[nodiscard]] std::size_t nextLineStart(std::size_t offset) const;

    std::u16string text_;
    std::size_t lineCount_ = 1;
    // Where the most recently read line starts, so that reading in order
    // does not scan from the top each time.
    mutable std::size_t cursorLine_ = 0;
    mutable std::size_t cursorOffset_ = 0;
};

}  // namespace quill
