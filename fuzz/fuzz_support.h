#pragma once
// What the fuzz targets share: a failed check that libFuzzer reports as a
// crash, a reader of structured input, and the code pages, built once.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "iconv_code_page.h"

namespace quill::fuzz {

// Ends the run as a finding when the condition fails.
inline void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

// A code page's tables, built on first use and kept for every run.
inline std::shared_ptr<const IconvCodePage> codePage(std::uint32_t number) {
    static std::map<std::uint32_t, std::shared_ptr<const IconvCodePage>> built;
    auto& page = built[number];
    if (!page) page = std::make_shared<const IconvCodePage>(number);
    return page;
}

// Takes values from the front of the fuzzer's bytes; zeros once they end.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    [[nodiscard]] std::uint8_t byte() {
        if (rest_.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    [[nodiscard]] std::uint16_t u16() {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    // Up to n bytes.
    [[nodiscard]] std::string_view bytes(std::size_t n) {
        const std::string_view taken = rest_.substr(0, n);
        rest_.remove_prefix(taken.size());
        return taken;
    }
    [[nodiscard]] std::string_view rest() {
        const std::string_view taken = rest_;
        rest_ = {};
        return taken;
    }
    [[nodiscard]] bool empty() const noexcept { return rest_.empty(); }

private:
    std::string_view rest_;
};

// Each byte as the character of the same number: every path and text the
// targets build is plain to read in a seed.
inline std::u16string widened(std::string_view bytes) {
    std::u16string text;
    for (char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    return text;
}

}  // namespace quill::fuzz
