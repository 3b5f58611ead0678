#include "reader_chain.h"

#include "text_encoding.h"

namespace xdoc2txt {

ChainResult readFirst(const std::vector<Reader>& readers) {
    ChainResult chain;
    const auto note = [&](const std::string& reason) {
        if (!chain.reasons.empty()) chain.reasons += "; ";
        chain.reasons += reason;
    };
    for (const Reader& reader : readers) {
        ReadResult result = reader.read();
        if (result.kind != ReadResult::Kind::kMissing) chain.anyInstalled = true;
        if (result.kind == ReadResult::Kind::kText) {
            if (hasVisibleText(result.text)) {
                chain.text = std::move(result.text);
                return chain;
            }
            note(reader.name + " found no text");
        } else {
            note(result.reason);
        }
    }
    return chain;
}

}  // namespace xdoc2txt
