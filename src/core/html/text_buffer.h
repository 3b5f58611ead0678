#pragma once
// The text of one text output, seen as lines numbered from 0. Lines end at
// CR LF, at a lone LF and at a lone CR; a text with n breaks has n + 1 lines,
// so an empty text has one empty line. Lines are handed back without their
// breaks, and never cut.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

class TextBuffer {
public:
    // Replaces the whole content.
    void setText(std::u16string text);

    [[nodiscard]] const std::u16string& text() const noexcept { return text_; }
    // Hands the text, with its storage, to the caller and leaves an empty text.
    [[nodiscard]] std::u16string takeText();
    // Counted on first use.
    [[nodiscard]] std::size_t lineCount() const;

    // Line i without its break; empty for an index past the last line.
    // Reading the lines in order costs one pass over the text in all.
    [[nodiscard]] std::u16string_view line(std::size_t index) const;
    // Line i runs to the end of the text (or lies past it).
    [[nodiscard]] bool isLastLine(std::size_t index) const;

private:
    // Moves the cursor to line index; false when the text has fewer lines.
    bool seek(std::size_t index) const;

    std::u16string text_;
    mutable std::optional<std::size_t> lineCount_;
    // Where the line under the cursor starts and ends (before its break), so
    // that reading in order does not scan from the top each time.
    mutable std::size_t cursorLine_ = 0;
    mutable std::size_t cursorOffset_ = 0;
    mutable std::size_t cursorEnd_ = 0;
};

}  // namespace quill
