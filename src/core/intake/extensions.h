#pragma once
// Classification of a dropped path by its name alone.

#include <string_view>

namespace quill {

// A document the converter takes: the last four characters are one of the
// supported suffixes, in any letter case.
[[nodiscard]] bool isSupportedDocument(std::u16string_view path);

}  // namespace quill
