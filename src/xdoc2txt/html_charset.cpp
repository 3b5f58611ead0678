#include "html_charset.h"

#include "text_encoding.h"

namespace xdoc2txt {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The position of needle in text from `from` on, in any letter case.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lower(text[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The value after `name` = in a tag's text, quoted or not.
std::optional<std::string> valueAfter(std::string_view tag, std::string_view name) {
    for (std::size_t at = findNoCase(tag, name); at != std::string_view::npos;
         at = findNoCase(tag, name, at + 1)) {
        std::size_t i = at + name.size();
        while (i < tag.size() && isSpace(tag[i])) ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && isSpace(tag[i])) ++i;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) ++i;
        std::size_t end = i;
        while (end < tag.size() && !isSpace(tag[end]) && tag[end] != '"' && tag[end] != '\'' &&
               tag[end] != ';' && tag[end] != '>' && tag[end] != '/') {
            ++end;
        }
        if (end > i) return std::string(tag.substr(i, end - i));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> declaredCharset(std::string_view html) {
    if (html.substr(0, 3) == "\xEF\xBB\xBF") return "UTF-8";
    if (html.substr(0, 2) == "\xFF\xFE") return "UTF-16LE";
    if (html.substr(0, 2) == "\xFE\xFF") return "UTF-16BE";
    if (html.substr(0, 5) == "<?xml") {
        const std::size_t end = html.find("?>");
        if (auto encoding = valueAfter(html.substr(0, end), "encoding")) return encoding;
    }
    for (std::size_t at = findNoCase(html, "<meta"); at != std::string_view::npos;
         at = findNoCase(html, "<meta", at + 5)) {
        const std::size_t end = html.find('>', at);
        const std::string_view tag =
            html.substr(at, end == std::string_view::npos ? end : end - at);
        if (auto charset = valueAfter(tag, "charset")) return charset;
    }
    return std::nullopt;
}

std::optional<std::string> w3mCharsetFor(std::string_view guess) {
    std::string name(guess);
    while (!name.empty() && isSpace(name.back())) name.pop_back();
    std::string key;
    for (const char c : name) key += lower(c);
    if (key.empty() || key == "ascii" || key == "unknown" || key == "us-ascii") return std::nullopt;
    const TextEncoding encoding = encodingFor(name);
    return encoding.iconvName;
}

}  // namespace xdoc2txt
