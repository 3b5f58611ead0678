#pragma once
// Files that a second start of the program hands to the instance already
// running, which takes them as a drop: one message, the absolute paths each
// ended by a NUL. The receiver trusts nothing in it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The longest message taken, in UTF-16 units: room for thousands of paths.
inline constexpr std::size_t kHandedFilesMaxUnits = std::size_t{1} << 22;

[[nodiscard]] std::u16string encodeHandedFiles(const std::vector<std::u16string>& files);

// The files of a message; nothing for one that is not a list of absolute
// paths of the platform whose folder separator is given ('\\': a drive or a
// share; '/': the root), or that is empty or too long.
[[nodiscard]] std::optional<std::vector<std::u16string>> decodeHandedFiles(
    std::u16string_view message, char16_t separator);

// An absolute path of that platform, with no NUL in it.
[[nodiscard]] bool isAbsolutePath(std::u16string_view path, char16_t separator);

}  // namespace quill
