#pragma once
// Decoding a text of the ANSI code page. In a double-byte code page a lead
// byte starts a two-byte character whose second byte, the trail byte, follows
// it. A lead byte that no trail byte follows -- the next byte cannot be one,
// or the text ends -- is broken: it becomes one U+FFFD and the next byte is
// decoded on its own, as the web's decoders read Shift-JIS. So a broken
// character never takes a line break, a space or a "<" with it.
//
// The platform decodes the runs between broken lead bytes; it never sees one.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform.h"

namespace quill {

inline constexpr char16_t kReplacementCharacter = u'\uFFFD';

// No double-byte code page has a trail byte below 0x40 (the controls, line
// breaks, space, digits and most ASCII punctuation) or at 0x7F.
[[nodiscard]] constexpr bool canTrail(unsigned char byte) noexcept {
    return byte >= 0x40 && byte != 0x7F;
}

class AnsiDecoding {
public:
    // A lead byte that could not itself trail one is taken as a single byte:
    // no code page has one, and in a row of lead bytes, leads and trails then
    // always take turns.
    explicit AnsiDecoding(const LeadBytes& leads) noexcept;

    // Offset of the first broken lead byte at or after from, which is where a
    // character starts; the size of bytes when there is none.
    [[nodiscard]] std::size_t findBrokenLead(std::string_view bytes,
                                             std::size_t from) const noexcept;

    // Appends the decoded bytes to text; decodeRun(run, text) appends the
    // characters of each run between broken lead bytes.
    template <class DecodeRun>
    void decode(std::string_view bytes, std::u16string& text, DecodeRun&& decodeRun) const {
        std::size_t from = 0;
        while (from < bytes.size()) {
            const std::size_t broken = findBrokenLead(bytes, from);
            if (broken > from) decodeRun(bytes.substr(from, broken - from), text);
            if (broken == bytes.size()) break;
            text += kReplacementCharacter;
            from = broken + 1;
        }
    }

private:
    // Lead bytes in one or two ranges, as in every double-byte ANSI code page,
    // are found sixteen at a time.
    static constexpr std::size_t kFewRanges = 2;

    std::array<bool, 256> lead_{};
    std::size_t rangeCount_ = 0;  // 0: a single-byte code page
    unsigned char first_[kFewRanges] = {};
    unsigned char last_[kFewRanges] = {};
};

// Replaces the content of text, reusing its storage, with the bytes decoded
// from the system's ANSI code page.
void decodeAnsiText(CodePage& codePage, std::string_view bytes, std::u16string& text);

}  // namespace quill
