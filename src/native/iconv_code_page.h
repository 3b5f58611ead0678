#pragma once
// A Windows ANSI code page (single- or double-byte) for native builds. Its
// tables come from glibc's iconv once, at construction; conversions then run
// on the tables alone. Undecodable bytes become U+FFFD, as the web's decoders
// read Shift-JIS: a lead byte and a byte from 0x80 up that make no character
// together are one U+FFFD, an ASCII byte after a lead byte is decoded on its
// own when they make none. Characters the code page cannot hold become "?",
// as Windows does by default.

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

class IconvCodePage {
public:
    // Throws std::runtime_error when iconv does not know the code page.
    explicit IconvCodePage(std::uint32_t codePage);

    [[nodiscard]] std::uint32_t codePage() const noexcept { return codePage_; }
    // The bytes that start a two-byte character: those that make one with at
    // least one byte after them.
    [[nodiscard]] const std::bitset<256>& leadBytes() const noexcept { return leadBytes_; }
    [[nodiscard]] std::u16string toWide(std::string_view bytes) const;
    // Replaces the content of text, reusing its storage.
    void toWide(std::string_view bytes, std::u16string& text) const;
    // Appends the decoded bytes to text.
    void appendWide(std::string_view bytes, std::u16string& text) const;
    // Appends the encoded text to out.
    void toAnsi(std::u16string_view text, std::string& out) const;

private:
    static constexpr char16_t kUndecodable = u'\uFFFD';

    struct ByteRange {
        unsigned char low, high;
    };

    // Decodes from in[i], a character's first byte, until at least in[end]
    // is reached; returns where the next character starts.
    std::size_t decodeStepwise(const unsigned char* in, std::size_t i, std::size_t end,
                               std::size_t size, std::u16string& text) const;
    // Decodes the 64 bytes from in[i] (and the byte after them) by a mask of
    // their lead bytes; returns where the next character starts, or nothing
    // when the bytes need decoding step by step.
    std::optional<std::size_t> decodeBlock(const unsigned char* in, std::size_t i, char16_t* out,
                                           std::size_t& filled) const;
    [[nodiscard]] std::uint64_t leadMask(const unsigned char* bytes) const;

    std::array<char16_t, 256> single_{};  // a byte alone; kUndecodable when it is none
    std::array<bool, 256> lead_{};        // the byte starts a two-byte character
    std::bitset<256> leadBytes_;          // the same
    // (lead << 8 | trail) -> character; for none, kUndecodable when the trail
    // is not ASCII and 0 when it is.
    std::vector<char16_t> pairs_;
    // At most three byte ranges that hold every lead byte (and maybe others).
    std::vector<ByteRange> leadRanges_;
    // (byte << 8 | next byte) -> the character that starts at byte: the pair's
    // for a lead byte, the byte's own for any other; 0 where a byte of the
    // lead ranges makes no pair with the next.
    std::vector<char16_t> starts_;
    // Indexed by a character: its bytes in output order in the low 16 bits,
    // and their number in bits 16 and up; 0 bytes for a surrogate.
    std::vector<std::uint32_t> encode_;
    std::uint32_t codePage_;
};

}  // namespace quill
