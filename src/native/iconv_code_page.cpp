#include "iconv_code_page.h"

#include <iconv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace quill {

static_assert(std::endian::native == std::endian::little,
              "the encode table holds bytes in memory order");

namespace {
std::string iconvName(std::uint32_t codePage) {
    return codePage == 932 ? "WINDOWS-31J" : "CP" + std::to_string(codePage);
}

// A text of many megabytes is written once from start to end: backing it
// with huge pages spares the kernel a page fault every 4 KB.
void adviseHugePages(void* start, std::size_t bytes) {
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kHuge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

// One iconv conversion descriptor, closed on destruction.
class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("iconv does not know " + from + " -> " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts one complete character; the output bytes, or empty on failure.
    [[nodiscard]] std::string convert(const char* in, std::size_t inSize) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char output[8];
        char* inPtr = const_cast<char*>(in);
        char* outPtr = output;
        std::size_t inLeft = inSize;
        std::size_t outLeft = sizeof output;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return {};
        }
        return std::string(output, sizeof output - outLeft);
    }

private:
    iconv_t cd_;
};

// The UTF-16 unit of a converted character, or nothing when it took two.
std::optional<char16_t> fromUtf16le(const std::string& bytes) {
    if (bytes.size() != 2) return std::nullopt;
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[0]) |
                                 static_cast<unsigned char>(bytes[1]) << 8);
}
}  // namespace

IconvCodePage::IconvCodePage(std::uint32_t codePage)
    : pairs_(65536, 0), starts_(65536, 0), encode_(65536, 0), codePage_(codePage) {
    const std::string name = iconvName(codePage);
    Converter decoder("UTF-16LE", name);
    for (std::uint32_t b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const std::optional<char16_t> single = fromUtf16le(decoder.convert(&byte, 1));
        single_[b] = single.value_or(kUndecodable);
        if (single) continue;
        // A lead byte, or no character: try it with every byte after it.
        for (std::uint32_t t = 0; t < 256; ++t) {
            const char pair[2] = {byte, static_cast<char>(t)};
            if (const std::optional<char16_t> both = fromUtf16le(decoder.convert(pair, 2))) {
                pairs_[b << 8 | t] = *both;
                lead_[b] = true;
            }
        }
    }

    // Bytes that make no character, alone or with another, between two lead
    // bytes are lead bytes of unassigned characters, as Windows has them.
    for (unsigned b = 0; b < 256;) {
        unsigned next = b + 1;
        if (lead_[b]) {
            while (next < 256 && !lead_[next] && single_[next] == kUndecodable) ++next;
            if (next < 256 && lead_[next] && next > b + 1) {
                for (unsigned gap = b + 1; gap < next; ++gap) lead_[gap] = true;
            }
        }
        b = next;
    }
    // A lead byte and a byte from 0x80 up that make no character are one
    // undecodable character; an ASCII byte after a lead byte stands alone
    // then. So a lead byte takes every byte after it that is not ASCII.
    for (unsigned b = 0; b < 256; ++b) {
        if (!lead_[b]) continue;
        for (unsigned t = 0x80; t < 256; ++t) {
            if (pairs_[b << 8 | t] == 0) pairs_[b << 8 | t] = kUndecodable;
        }
    }

    for (std::size_t b = 0; b < 256; ++b) leadBytes_[b] = lead_[b];

    // The lead bytes as at most three ranges, the closest ones merged.
    for (unsigned b = 0; b < 256; ++b) {
        if (!lead_[b]) continue;
        if (!leadRanges_.empty() && leadRanges_.back().high + 1u == b) {
            leadRanges_.back().high = static_cast<unsigned char>(b);
        } else {
            leadRanges_.push_back({static_cast<unsigned char>(b), static_cast<unsigned char>(b)});
        }
    }
    while (leadRanges_.size() > 3) {
        std::size_t closest = 0;
        for (std::size_t r = 1; r + 1 < leadRanges_.size(); ++r) {
            if (leadRanges_[r + 1].low - leadRanges_[r].high <
                leadRanges_[closest + 1].low - leadRanges_[closest].high) {
                closest = r;
            }
        }
        leadRanges_[closest].high = leadRanges_[closest + 1].high;
        leadRanges_.erase(leadRanges_.begin() + static_cast<std::ptrdiff_t>(closest) + 1);
    }
    for (const ByteRange& range : leadRanges_) {
        for (unsigned b = range.low; b <= range.high; ++b) {
            for (unsigned t = 0; t < 256; ++t)
                starts_[b << 8 | t] = lead_[b] ? pairs_[b << 8 | t] : char16_t{0};
        }
    }
    for (unsigned b = 0; b < 256; ++b) {
        if (starts_[b << 8] != 0 || lead_[b]) continue;
        bool inRange = false;
        for (const ByteRange& range : leadRanges_)
            inRange = inRange || (b >= range.low && b <= range.high);
        if (!inRange) {
            for (unsigned t = 0; t < 256; ++t) starts_[b << 8 | t] = single_[b];
        }
    }

    Converter encoder(name, "UTF-16LE");
    for (std::uint32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;  // handled in pairs by toAnsi
        const char unit[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        const std::string bytes = encoder.convert(unit, 2);
        if (bytes.size() == 1 || bytes.size() == 2) {
            std::uint16_t inOrder = 0;
            std::memcpy(&inOrder, bytes.data(), bytes.size());
            encode_[c] = inOrder | static_cast<std::uint32_t>(bytes.size()) << 16;
        } else {
            encode_[c] = static_cast<std::uint32_t>('?') | 1u << 16;
        }
    }
}

std::u16string IconvCodePage::toWide(std::string_view bytes) const {
    std::u16string text;
    toWide(bytes, text);
    return text;
}

void IconvCodePage::toWide(std::string_view bytes, std::u16string& text) const {
    text.clear();
    appendWide(bytes, text);
}

void IconvCodePage::appendWide(std::string_view bytes, std::u16string& text) const {
    // Each byte gives at most one character, so the text is reserved at its
    // largest size up front. Only the part actually filled is ever touched,
    // and so resident.
    if (text.capacity() - text.size() < bytes.size()) {
        text.reserve(text.size() + bytes.size());
        adviseHugePages(text.data(), text.capacity() * sizeof(char16_t));
    }
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::array<char16_t, 4096> block;
    std::size_t filled = 0;
    std::size_t i = 0;
    while (i + 65 <= size) {
        if (filled > block.size() - 64) {
            text.append(block.data(), filled);
            filled = 0;
        }
        if (const std::optional<std::size_t> next = decodeBlock(in, i, block.data(), filled)) {
            i = *next;
        } else {
            text.append(block.data(), filled);
            filled = 0;
            i = decodeStepwise(in, i, i + 64, size, text);
        }
    }
    text.append(block.data(), filled);
    (void)decodeStepwise(in, i, size, size, text);
}

std::size_t IconvCodePage::decodeStepwise(const unsigned char* in, std::size_t i, std::size_t end,
                                          std::size_t size, std::u16string& text) const {
    while (i < end) {
        const unsigned char b = in[i];
        const char16_t pair =
            lead_[b] && i + 1 < size ? pairs_[std::size_t{b} << 8 | in[i + 1]] : char16_t{0};
        if (pair != 0) {
            text += pair;
            i += 2;
        } else {
            // A lead byte without a valid trail stands alone.
            text += lead_[b] ? kUndecodable : single_[b];
            ++i;
        }
    }
    return i;
}

// Which of 64 bytes start a character follows from the lead bytes alone: in
// a run of lead-range bytes that begins at a character, every other byte is
// a lead and the byte after each lead its trail. The run arithmetic is the
// one that finds escaped characters after runs of backslashes.
std::optional<std::size_t> IconvCodePage::decodeBlock(const unsigned char* in, std::size_t i,
                                                      char16_t* out, std::size_t& filled) const {
    constexpr std::uint64_t kOddBits = 0xAAAAAAAAAAAAAAAAULL;
    const unsigned char* bytes = in + i;
    const std::uint64_t leads = leadMask(bytes);
    const std::uint64_t code = (((leads << 1) | kOddBits) - leads) ^ kOddBits;
    const std::uint64_t trails = code ^ leads;
    const std::uint64_t firstBytes = code & leads;

    const std::size_t start = filled;
    for (std::uint64_t starts = ~trails; starts != 0; starts &= starts - 1) {
        const int j = __builtin_ctzll(starts);
        const char16_t c = starts_[std::size_t{bytes[j]} << 8 | bytes[j + 1]];
        if (c == 0 && (leads >> j & 1) != 0) [[unlikely]] {
            filled = start;  // a lead byte makes no pair here
            return std::nullopt;
        }
        out[filled++] = c;
    }
    // A lead in the last place takes the first byte of the next block.
    return i + 64 + (firstBytes >> 63);
}

std::uint64_t IconvCodePage::leadMask(const unsigned char* bytes) const {
    std::uint64_t mask = 0;
#if defined(__SSE2__)
    for (int part = 0; part < 4; ++part) {
        // Unsigned byte order, through signed compares of bytes offset by 0x80.
        const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
        const __m128i x = _mm_xor_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part)), flip);
        __m128i in = _mm_setzero_si128();
        for (const ByteRange& range : leadRanges_) {
            const __m128i low = _mm_set1_epi8(static_cast<char>(range.low ^ 0x80));
            const __m128i high = _mm_set1_epi8(static_cast<char>(range.high ^ 0x80));
            const __m128i outside = _mm_or_si128(_mm_cmplt_epi8(x, low), _mm_cmpgt_epi8(x, high));
            in = _mm_or_si128(in, _mm_andnot_si128(outside, _mm_set1_epi8(-1)));
        }
        mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(in)))
                << (16 * part);
    }
#else
    for (int j = 0; j < 64; ++j) {
        bool in = false;
        for (const ByteRange& range : leadRanges_)
            in = in || (bytes[j] >= range.low && bytes[j] <= range.high);
        mask |= static_cast<std::uint64_t>(in) << j;
    }
#endif
    return mask;
}

void IconvCodePage::toAnsi(std::u16string_view text, std::string& out) const {
    // Through a small block, so that the output is never filled twice.
    std::array<char, 4096> block;
    std::size_t filled = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        if (filled > block.size() - 2) {
            out.append(block.data(), filled);
            filled = 0;
        }
        const char16_t c = text[i];
        const std::uint32_t entry = encode_[c];
        if (entry == 0) [[unlikely]] {
            // A surrogate: no code page here holds one; a pair is one
            // character, and one "?".
            block[filled++] = '?';
            if (c <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
            continue;
        }
        std::memcpy(block.data() + filled, &entry, 2);
        filled += entry >> 16;
    }
    out.append(block.data(), filled);
}

}  // namespace quill
