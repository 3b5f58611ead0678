#include "iconv_code_page.h"

#include <iconv.h>

#include <stdexcept>

namespace quill {

namespace {
std::string iconvName(std::uint32_t codePage) {
    return codePage == 932 ? "WINDOWS-31J" : "CP" + std::to_string(codePage);
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

char16_t fromUtf16le(const std::string& bytes) {
    if (bytes.size() != 2) return 0;
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[0]) |
                                 static_cast<unsigned char>(bytes[1]) << 8);
}
}  // namespace

IconvCodePage::IconvCodePage(std::uint32_t codePage)
    : codePage_(codePage), pairs_(65536, 0), encode_(65536, kUnmappable) {
    const std::string name = iconvName(codePage);
    Converter decoder("UTF-16LE", name);
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const char16_t c = fromUtf16le(decoder.convert(&byte, 1));
        single_[b] = (c != 0 || b == 0) ? c : kUndecodable;
        if (c != 0 || b == 0) continue;
        for (int t = 0; t < 256; ++t) {
            const char pair[2] = {byte, static_cast<char>(t)};
            const char16_t p = fromUtf16le(decoder.convert(pair, 2));
            if (p == 0) continue;
            pairs_[static_cast<std::size_t>(b << 8 | t)] = p;
            lead_[b] = true;
        }
    }

    Converter encoder(name, "UTF-16LE");
    for (std::uint32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const char unit[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        const std::string bytes = encoder.convert(unit, 2);
        if (bytes.size() == 1) {
            encode_[c] = static_cast<unsigned char>(bytes[0]);
        } else if (bytes.size() == 2) {
            encode_[c] = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                    static_cast<unsigned char>(bytes[1]));
        }
    }
}

template <class Sink>
void IconvCodePage::decode(std::string_view bytes, Sink&& sink) const {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char b = in[i];
        if (lead_[b] && i + 1 < size) {
            const char16_t c = pairs_[static_cast<std::size_t>(b << 8 | in[i + 1])];
            if (c != 0) {
                sink(c);
                i += 2;
                continue;
            }
        }
        sink(lead_[b] ? kUndecodable : single_[b]);
        ++i;
    }
}

std::u16string IconvCodePage::toWide(std::string_view bytes) const {
    std::size_t units = 0;
    decode(bytes, [&units](char16_t) { ++units; });
    std::u16string text(units, u'\0');
    char16_t* out = text.data();
    decode(bytes, [&out](char16_t c) { *out++ = c; });
    return text;
}

void IconvCodePage::toAnsi(std::u16string_view text, std::string& out) const {
    const std::size_t start = out.size();
    out.resize(start + text.size() * 2);
    char* o = out.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const std::uint16_t code = encode_[c];
        if (code == kUnmappable) {
            *o++ = '?';
            // A surrogate pair is one character, and one "?".
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                ++i;
            }
        } else if (code > 0xFF) {
            *o++ = static_cast<char>(code >> 8);
            *o++ = static_cast<char>(code & 0xFF);
        } else {
            *o++ = static_cast<char>(code);
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

}  // namespace quill
