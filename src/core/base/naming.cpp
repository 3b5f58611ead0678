#include "base/naming.h"

#include "failure.h"
#include "base/text_util.h"

namespace quill {

namespace {
// The length of the extension that the name rules replace, dot included.
constexpr std::size_t kExtensionLength = 4;

// The path less its extension; the caller has made sure it is long enough.
std::u16string_view stem(std::u16string_view path) {
    return path.substr(0, path.size() - kExtensionLength);
}
}  // namespace

std::u16string_view extensionOf(std::u16string_view path) {
    return lastChars(path, kExtensionLength);
}

bool tooShortToName(std::u16string_view path) {
    return path.size() < kExtensionLength;
}

bool isHtmlPage(std::u16string_view path) {
    return equalsIgnoringCase(extensionOf(path), u".htm") || endsInHtml(path);
}

bool endsInHtml(std::u16string_view source) {
    return equalsIgnoringCase(lastChars(source, kExtensionLength + 1), u".html");
}

bool isTextFile(std::u16string_view source) {
    return equalsIgnoringCase(extensionOf(source), u".txt");
}

std::u16string fTxtName(std::u16string_view source) {
    // The length is the program's 16-bit integer before it is compared.
    (void)to16(static_cast<long long>(source.size()));
    if (tooShortToName(source)) {
        throw RunFailure(FailureKind::InvalidArgument, "path too short for a text name");
    }
    std::u16string name(stem(source));
    name += u".txt";
    return name;
}

std::u16string pagePath(std::u16string_view textOutput) {
    if (tooShortToName(textOutput)) return {};
    std::u16string page(stem(textOutput));
    page += u".html";
    return page;
}

std::u16string_view pageTitle(std::u16string_view textOutput) {
    if (tooShortToName(textOutput)) return {};
    const std::u16string_view name = stem(textOutput);
    const std::size_t separator = name.find_last_of(u"\\/:");
    return separator == std::u16string_view::npos ? name : name.substr(separator + 1);
}

}  // namespace quill
