#pragma once
// Small string helpers shared by the procedures.

#include <bit>
#include <cstddef>
#if defined(__SSE2__) || defined(_M_X64)
#define QUILL_SSE2 1
#include <emmintrin.h>
#endif
#include <string>
#include <string_view>

namespace quill {

// The last n characters of text, or the whole text when it is shorter.
[[nodiscard]] inline std::u16string_view lastChars(std::u16string_view text, std::size_t n) {
    return text.size() <= n ? text : text.substr(text.size() - n);
}

// Compares two texts, ignoring the letter case of the ASCII letters.
[[nodiscard]] bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

// Index of the first of the characters Cs at or after from, or the text's
// size. Finding the line breaks of a text and the characters a page escapes
// scans every character of it, so this looks at eight characters at a time
// where the processor allows.
template <char16_t... Cs>
[[nodiscard]] std::size_t findFirstOf(std::u16string_view text, std::size_t from) {
    std::size_t i = from;
#if defined(QUILL_SSE2)
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi16(eight, _mm_set1_epi16(static_cast<short>(Cs))))),
         ...);
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask)) / 2;
    }
#endif
    for (; i < text.size(); ++i) {
        if (((text[i] == Cs) || ...)) return i;
    }
    return text.size();
}

// Decimal digits of a non-negative number.
[[nodiscard]] std::u16string decimal(long long value);

}  // namespace quill
