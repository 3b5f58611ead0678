#include "text_encoding.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <stdexcept>

namespace xdoc2txt {
namespace {

// The name in upper case without '-', '_', '.' and spaces, for comparisons.
std::string squeezed(std::string_view name) {
    std::string out;
    for (const char c : name) {
        if (c == '-' || c == '_' || c == '.' || c == ' ') continue;
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

bool digitsAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
    for (const char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// One iconv descriptor, closed on destruction.
class Iconv {
public:
    Iconv(const std::string& to, const char* from) : cd_(iconv_open(to.c_str(), from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::invalid_argument("unknown text encoding " + to);
        }
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    [[nodiscard]] iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = at(i);
    if (b < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;   // no overlong forms
        if (b == 0xED) high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (at(i + 1) < low || at(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
    }
    return length;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

}  // namespace

TextEncoding encodingFor(std::string_view requested) {
    const std::string key = squeezed(requested);
    for (const std::string_view shiftJis : {"SHIFTJIS", "SJIS", "MSKANJI", "CSSHIFTJIS", "XSJIS",
                                            "WINDOWS31J", "CSWINDOWS31J", "MS932", "CP932"}) {
        if (key == shiftJis) return {"CP932", true};
    }
    if (digitsAfter(key, "CP") || digitsAfter(key, "WINDOWS")) {
        return {std::string(requested), true};
    }
    return {std::string(requested), false};
}

std::string requestedEncodingName() {
    if (const char* name = std::getenv("XDOC2TXT_ENCODING"); name && *name) return name;
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    return codeset && *codeset ? codeset : "ANSI_X3.4-1968";
}

std::string normalizeText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 1);
    const auto lineStart = [&] { return out.empty() || out.back() == '\n'; };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char c = utf8[i];
        if (c == '\r') {
            out += '\n';
            i += (i + 1 < utf8.size() && utf8[i + 1] == '\n') ? 2u : 1u;
        } else if (c == '\f') {
            if (!lineStart()) out += '\n';
            ++i;
        } else if (c == '\0') {
            ++i;
        } else if (utf8.substr(i, kBom.size()) == kBom) {
            i += kBom.size();
        } else if (const std::size_t length = sequenceLength(utf8, i); length != 0) {
            out.append(utf8, i, length);
            i += length;
        } else {
            out += kReplacementCharacter;
            ++i;
        }
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

bool hasVisibleText(std::string_view utf8) {
    static constexpr std::string_view kSpaces[] = {
        " ", "\t", "\n", "\r", "\f", "\v", "\xC2\xA0", "\xE3\x80\x80", "\xEF\xBB\xBF"};
    std::size_t i = 0;
    while (i < utf8.size()) {
        bool space = false;
        for (const std::string_view s : kSpaces) {
            if (utf8.substr(i, s.size()) == s) {
                i += s.size();
                space = true;
                break;
            }
        }
        if (!space) return true;
    }
    return false;
}

TextEncoder::TextEncoder(TextEncoding encoding)
    : encoding_(std::move(encoding)), replacement_(1, '?') {
    replacement_ = encode(replacement_);
}

std::string TextEncoder::encode(std::string_view normalizedUtf8) const {
    std::string in;
    in.reserve(normalizedUtf8.size() + normalizedUtf8.size() / 16);
    for (const char c : normalizedUtf8) {
        if (c == '\n' && encoding_.crlf) in += '\r';
        in += c;
    }

    const Iconv cd(encoding_.iconvName, "UTF-8");
    std::string out(in.size() + in.size() / 2 + 16, '\0');
    std::size_t written = 0;
    // Runs iconv on the input left (or, with none, ends the shift state of a
    // stateful encoding such as ISO-2022-JP); returns false on a character
    // the encoding lacks.
    const auto convert = [&](char** inPtr, std::size_t* inLeft) {
        for (;;) {
            char* outPtr = out.data() + written;
            std::size_t outLeft = out.size() - written;
            const std::size_t result = iconv(cd.get(), inPtr, inLeft, &outPtr, &outLeft);
            const int error = errno;
            written = out.size() - outLeft;
            if (result != static_cast<std::size_t>(-1)) return true;
            if (error != E2BIG) return false;
            out.resize(out.size() * 2);
        }
    };
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    while (!convert(&inPtr, &inLeft)) {
        // One replacement for the character (or, in text not normalized, a
        // malformed byte), from the initial shift state.
        (void)convert(nullptr, nullptr);
        const std::size_t done = static_cast<std::size_t>(inPtr - in.data());
        const std::size_t length = std::max<std::size_t>(1, sequenceLength(in, done));
        out.resize(std::max(out.size(), written + replacement_.size()));
        out.replace(written, replacement_.size(), replacement_);
        written += replacement_.size();
        inPtr += length;
        inLeft -= length;
    }
    (void)convert(nullptr, nullptr);
    out.resize(written);
    return out;
}

}  // namespace xdoc2txt
