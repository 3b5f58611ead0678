#pragma once
// The text's encoding and line breaks, and the clean-up of a reader's output.

#include <string>
#include <string_view>

namespace xdoc2txt {

struct TextEncoding {
    std::string iconvName;  // the name given to iconv
    bool crlf = false;      // lines end in CR LF (Windows code pages), else LF
};

// The encoding for a requested name (XDOC2TXT_ENCODING, or the locale's
// character set): CPnnn and WINDOWS-nnn are Windows code pages; Shift_JIS
// and its aliases are written as Windows' CP932 (a superset), as Windows
// programs read them.
[[nodiscard]] TextEncoding encodingFor(std::string_view requested);

// The name requested by XDOC2TXT_ENCODING when set and not empty, else the
// character set of the locale the environment selects.
[[nodiscard]] std::string requestedEncodingName();

// A reader's output made clean UTF-8 with LF line breaks: byte-order marks
// dropped, malformed bytes replaced by U+FFFD, CR LF and CR made LF, a form
// feed (page break) made a line break unless a line starts there, NUL bytes
// dropped, and the last line ended.
[[nodiscard]] std::string normalizeText(std::string_view utf8);

// True when the UTF-8 text holds anything but white space.
[[nodiscard]] bool hasVisibleText(std::string_view utf8);

// Converts normalized UTF-8 text into one encoding.
class TextEncoder {
public:
    // Throws std::invalid_argument when iconv does not know the encoding.
    explicit TextEncoder(TextEncoding encoding);

    // The text in the encoding, LF made CR LF where the encoding wants it;
    // each character the encoding lacks becomes one "?".
    [[nodiscard]] std::string encode(std::string_view normalizedUtf8) const;

private:
    TextEncoding encoding_;
    std::string replacement_;  // "?" in the encoding
};

}  // namespace xdoc2txt
