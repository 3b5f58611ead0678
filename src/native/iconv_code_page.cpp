#include "iconv_code_page.h"

#include <iconv.h>
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace quill {

static_assert(std::endian::native == std::endian::little, "the encode table holds bytes in memory order");

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
    : pairs_(65536, 0), encode_(65536, 0), codePage_(codePage) {
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
    // One pass, through a small block: each byte gives at most one character,
    // so the text is reserved at its largest size up front. Only the part
    // actually filled is ever touched, and so resident.
    std::u16string text;
    text.reserve(bytes.size());
    adviseHugePages(text.data(), text.capacity() * sizeof(char16_t));
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    const char16_t* const pairs = pairs_.data();
    std::array<char16_t, 4096> block;
    std::size_t i = 0;
    while (i + 1 < size) {
        // Each step reads at most two bytes, so a block's worth of steps
        // never runs past the last byte but one.
        const std::size_t steps = std::min(block.size(), (size - i) / 2);
        for (std::size_t k = 0; k < steps; ++k) {
            const std::uint32_t b = in[i];
            if (lead_[b]) {
                char16_t c = pairs[b << 8 | in[i + 1]];
                i += 2;
                if (c == 0) [[unlikely]] {
                    // A lead byte without a valid trail stands alone. Kept a
                    // real branch (the empty asm stops the compiler from
                    // turning it into arithmetic), so that finding the next
                    // byte does not wait for this table look-up.
                    asm volatile("");
                    --i;
                    c = kUndecodable;
                }
                block[k] = c;
            } else {
                block[k] = single_[b];
                ++i;
            }
        }
        text.append(block.data(), steps);
    }
    if (i < size) {
        // The last byte alone: a lead byte without its trail is no character.
        text += lead_[in[i]] ? kUndecodable : single_[in[i]];
    }
    return text;
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
