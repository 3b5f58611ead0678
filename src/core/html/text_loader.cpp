#include "html/text_loader.h"

#include <optional>

#include "failure.h"
#include "html/ansi_decoding.h"

namespace quill {

bool loadTextOutput(Files& files, CodePage& codePage, const ProgramState& state,
                    TextBuffer& buffer) {
    try {
        const std::u16string& path = state.list3.item(state.conversion.currentIndex);
        std::optional<FileBytes> bytes = files.readWholeFile(path);
        if (!bytes) return false;
        // The buffer's own storage takes the new text: after the first page
        // of a run, loading needs no fresh memory.
        std::u16string text = buffer.takeText();
        decodeAnsiText(codePage, bytes->view(), text);
        bytes.reset();  // the bytes are not needed once decoded
        buffer.setText(std::move(text));
        return true;
    } catch (const RunFailure&) {
        return false;
    }
}

}  // namespace quill
