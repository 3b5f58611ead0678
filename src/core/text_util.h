#pragma once
// Small string helpers shared by the procedures.

#include <string>
#include <string_view>

namespace quill {

// The last n characters of text, or the whole text when it is shorter.
[[nodiscard]] inline std::u16string_view lastChars(std::u16string_view text, std::size_t n) {
    return text.size() <= n ? text : text.substr(text.size() - n);
}

// Compares two texts, ignoring the letter case of the ASCII letters.
[[nodiscard]] bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

// Decimal digits of a non-negative number.
[[nodiscard]] std::u16string decimal(long long value);

}  // namespace quill
