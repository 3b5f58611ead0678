#include "intake/handed_files.h"

namespace quill {

std::u16string encodeHandedFiles(const std::vector<std::u16string>& files) {
    std::u16string message;
    for (const std::u16string& file : files) {
        message += file;
        message += u'\0';
    }
    return message;
}

bool isAbsolutePath(std::u16string_view path, char16_t separator) {
    if (path.find(u'\0') != std::u16string_view::npos) return false;
    if (separator == u'/') return path.starts_with(u'/');
    const auto isSeparator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    const auto isLetter = [](char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; };
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == u':' && isSeparator(path[2])) {
        return true;
    }
    // A share: \\server\share\...
    return path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) &&
           !isSeparator(path[2]);
}

std::optional<std::vector<std::u16string>> decodeHandedFiles(std::u16string_view message,
                                                             char16_t separator) {
    if (message.empty() || message.size() > kHandedFilesMaxUnits || message.back() != u'\0') {
        return std::nullopt;
    }
    std::vector<std::u16string> files;
    for (std::size_t start = 0; start < message.size();) {
        const std::size_t end = message.find(u'\0', start);
        const std::u16string_view path = message.substr(start, end - start);
        if (!isAbsolutePath(path, separator)) return std::nullopt;
        files.emplace_back(path);
        start = end + 1;
    }
    return files;
}

}  // namespace quill
