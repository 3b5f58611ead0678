#include "ansi_reference.h"

#include "html/ansi_decoding.h"

namespace quill::test {

namespace {
// The characters of bytes, each as its length; a broken lead byte is -1.
template <class OnCharacter>
void walkCharacters(std::string_view bytes, const LeadBytes& leads, OnCharacter&& onCharacter) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (!leads.test(b) || !canTrail(b)) {
            if (!onCharacter(i, 1)) return;
            i += 1;
        } else if (i + 1 < bytes.size() && canTrail(static_cast<unsigned char>(bytes[i + 1]))) {
            if (!onCharacter(i, 2)) return;
            i += 2;
        } else {
            if (!onCharacter(i, -1)) return;
            i += 1;
        }
    }
}
}  // namespace

std::size_t firstBrokenLead(std::string_view bytes, const LeadBytes& leads) {
    std::size_t found = std::string_view::npos;
    walkCharacters(bytes, leads, [&](std::size_t at, int length) {
        if (length < 0) found = at;
        return length > 0;
    });
    return found;
}

std::u16string decodeByTheRule(std::string_view bytes, const IconvCodePage& codePage) {
    std::u16string text;
    walkCharacters(bytes, codePage.leadBytes(), [&](std::size_t at, int length) {
        if (length < 0) {
            text += kReplacementCharacter;
        } else {
            codePage.appendWide(bytes.substr(at, static_cast<std::size_t>(length)), text);
        }
        return true;
    });
    return text;
}

}  // namespace quill::test
