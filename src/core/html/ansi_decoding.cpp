#include "html/ansi_decoding.h"

#include <bit>

#include "base/text_util.h"  // QUILL_SSE2
#if defined(QUILL_SSE2)
#include <emmintrin.h>
#endif

namespace quill {

namespace {
constexpr std::uint64_t kEvenBits = 0x5555555555555555ULL;

// Where the blocks of 64 bytes have brought the search: the offset of the
// broken lead byte found, or where the bytes left start, and whether the
// first of those trails a lead byte.
struct BlockScan {
    std::size_t at;
    bool found;
    bool trail;
};

// Every byte but a lead byte ends a character: it stands alone or trails a
// lead. So a row of lead bytes begins where a character starts, and in it
// leads and trails take turns. Which bytes of a block trail a lead follows
// from the lead mask alone, by the arithmetic that finds escaped characters
// after rows of backslashes; trailsNext carries whether the first byte of
// the next block trails the last of this one.
template <class LeadMask, class NoTrailMask>
BlockScan scanBlocks(const unsigned char* bytes, std::size_t from, std::size_t size,
                     LeadMask leadMask, NoTrailMask noTrailMask) {
    std::uint64_t trailsNext = 0;
    std::size_t i = from;
    for (; i + 65 <= size; i += 64) {
        const std::uint64_t leads = leadMask(bytes + i) & ~trailsNext;
        const std::uint64_t followsLead = leads << 1 | trailsNext;
        const std::uint64_t oddRowStarts = leads & ~kEvenBits & ~followsLead;
        // Unsigned addition wraps: a carry out of the block is a sum below
        // either addend.
        const std::uint64_t evenRowEnds = oddRowStarts + leads;
        trailsNext = evenRowEnds < leads ? 1 : 0;
        const std::uint64_t trails = (kEvenBits ^ evenRowEnds << 1) & followsLead;
        // The bit of a lead byte that a byte follows that cannot trail it.
        const std::uint64_t broken = leads & ~trails & noTrailMask(bytes + i + 1);
        if (broken != 0)
            return {i + static_cast<std::size_t>(std::countr_zero(broken)), true, false};
    }
    return {i, false, trailsNext != 0};
}

#if defined(QUILL_SSE2)
// Bit j: bytes[j] cannot trail a lead byte.
std::uint64_t noTrailMask(const unsigned char* bytes) {
    const __m128i highestNonTrail = _mm_set1_epi8(0x3F);
    const __m128i del = _mm_set1_epi8(0x7F);
    std::uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
        const __m128i no = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(x, highestNonTrail), x),
                                        _mm_cmpeq_epi8(x, del));
        mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(no)))
                << (16 * part);
    }
    return mask;
}

// Lead masks from N ranges of bytes, compared in unsigned order through
// signed compares of bytes offset by 0x80.
template <std::size_t N>
BlockScan scanBlocksInRanges(const unsigned char* bytes, std::size_t from, std::size_t size,
                             const unsigned char (&first)[N], const unsigned char (&last)[N]) {
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    __m128i below[N];
    __m128i above[N];
    for (std::size_t r = 0; r < N; ++r) {
        below[r] = _mm_set1_epi8(static_cast<char>(first[r] ^ 0x80));
        above[r] = _mm_set1_epi8(static_cast<char>(last[r] ^ 0x80));
    }
    const auto leadMask = [&](const unsigned char* block) {
        std::uint64_t mask = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i x = _mm_xor_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part)), flip);
            __m128i outside = _mm_set1_epi8(-1);
            for (std::size_t r = 0; r < N; ++r) {
                outside = _mm_and_si128(outside, _mm_or_si128(_mm_cmplt_epi8(x, below[r]),
                                                              _mm_cmpgt_epi8(x, above[r])));
            }
            mask |= static_cast<std::uint64_t>(
                        static_cast<unsigned>(_mm_movemask_epi8(outside) ^ 0xFFFF))
                    << (16 * part);
        }
        return mask;
    };
    return scanBlocks(bytes, from, size, leadMask, noTrailMask);
}
#endif
}  // namespace

AnsiDecoding::AnsiDecoding(const LeadBytes& leads) noexcept {
    for (unsigned b = 0; b < 256; ++b) {
        lead_[b] = leads.test(b) && canTrail(static_cast<unsigned char>(b));
        if (!lead_[b]) continue;
        const auto byte = static_cast<unsigned char>(b);
        if (b == 0 || !lead_[b - 1]) {
            if (rangeCount_ < kFewRanges) first_[rangeCount_] = byte;
            ++rangeCount_;
        }
        if (rangeCount_ <= kFewRanges) last_[rangeCount_ - 1] = byte;
    }
}

std::size_t AnsiDecoding::findBrokenLead(std::string_view text, std::size_t from) const noexcept {
    const std::size_t size = text.size();
    if (rangeCount_ == 0) return size;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    BlockScan scan{};
#if defined(QUILL_SSE2)
    switch (rangeCount_) {
        case 1: {
            const unsigned char first[1] = {first_[0]};
            const unsigned char last[1] = {last_[0]};
            scan = scanBlocksInRanges(bytes, from, size, first, last);
            break;
        }
        case 2:
            scan = scanBlocksInRanges(bytes, from, size, first_, last_);
            break;
        default: {
            const auto leadMask = [this](const unsigned char* block) {
                std::uint64_t mask = 0;
                for (int j = 0; j < 64; ++j)
                    mask |= static_cast<std::uint64_t>(lead_[block[j]]) << j;
                return mask;
            };
            scan = scanBlocks(bytes, from, size, leadMask, noTrailMask);
        }
    }
#else
    scan = {from, false, false};
#endif
    if (scan.found) return scan.at;
    // The rest byte by byte.
    for (std::size_t i = scan.at; i < size; ++i) {
        if (scan.trail) {
            scan.trail = false;
        } else if (lead_[bytes[i]]) {
            if (i + 1 == size || !canTrail(bytes[i + 1])) return i;
            scan.trail = true;
        }
    }
    return size;
}

void decodeAnsiText(CodePage& codePage, std::string_view bytes, std::u16string& text) {
    text.clear();
    AnsiDecoding(codePage.ansiLeadBytes())
        .decode(bytes, text, [&codePage](std::string_view run, std::u16string& out) {
            codePage.appendAnsiAsWide(run, out);
        });
}

}  // namespace quill
