#include "intake/extensions.h"

#include <array>

#include "converter/naming.h"
#include "text_util.h"

namespace quill {

namespace {
constexpr std::array<std::u16string_view, 19> kSupportedSuffixes = {
    u".doc", u".rtf", u".jtd", u".txt", u".xls", u".ppt", u".jaw", u".jtw", u".jbw", u".juw",
    u".jfw", u".jvw", u".jtt", u".wj2", u".wj3", u".wk3", u".wk4", u".123", u".pdf",
};
}  // namespace

bool isSupportedDocument(std::u16string_view path) {
    const std::u16string_view suffix = extensionOf(path);
    for (std::u16string_view supported : kSupportedSuffixes) {
        if (equalsIgnoringCase(suffix, supported)) return true;
    }
    return false;
}

}  // namespace quill
