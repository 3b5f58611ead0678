#pragma once
// The rule for broken double-byte characters written out byte by byte: what
// the tests and the fuzz targets hold the core's decoding against.

#include <string>
#include <string_view>

#include "iconv_code_page.h"
#include "platform.h"

namespace quill::test {

// Offset of the first lead byte that starts a character and that no trail
// byte follows; npos when there is none.
[[nodiscard]] std::size_t firstBrokenLead(std::string_view bytes, const LeadBytes& leads);

// The bytes decoded by the rule: a broken lead byte is U+FFFD, every other
// character is decoded by the code page on its own.
[[nodiscard]] std::u16string decodeByTheRule(std::string_view bytes, const IconvCodePage& codePage);

}  // namespace quill::test
