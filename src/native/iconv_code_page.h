#pragma once
// A Windows ANSI code page (single- or double-byte) for native builds. Its
// tables come from glibc's iconv once, at construction; conversions then run
// on the tables alone. Undecodable bytes become U+FFFD; characters the code
// page cannot hold become "?", as Windows does by default.

#include <array>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

class IconvCodePage {
public:
    // Throws std::runtime_error when iconv does not know the code page.
    explicit IconvCodePage(std::uint32_t codePage);

    [[nodiscard]] std::uint32_t codePage() const noexcept { return codePage_; }
    [[nodiscard]] std::u16string toWide(std::string_view bytes) const;
    // Appends the encoded text to out.
    void toAnsi(std::u16string_view text, std::string& out) const;

private:
    static constexpr char16_t kUndecodable = u'\uFFFD';

    std::array<char16_t, 256> single_{};  // a byte alone; kUndecodable when it is none
    std::array<bool, 256> lead_{};        // the byte starts a two-byte character
    std::vector<char16_t> pairs_;         // (lead << 8 | trail) -> character; 0 for none
    // Indexed by a character: its bytes in output order in the low 16 bits,
    // and their number in bits 16 and up; 0 bytes for a surrogate.
    std::vector<std::uint32_t> encode_;
    std::uint32_t codePage_;
};

}  // namespace quill
