// Loading one text output into the text buffer.

#include <optional>

#include "failure.h"
#include "html/ansi_decoding.h"
#include "ui/form1.h"

namespace quill {

// Reads the output list entry at currentIndex whole and decodes it from the
// ANSI code page, a broken double-byte character as U+FFFD. On failure the
// buffer keeps its previous content.
bool Form1::txthtml() {
    try {
        const std::u16string& path = state_.list3.item(state_.conversion.currentIndex);
        std::optional<FileBytes> bytes = platform_.readWholeFile(path);
        if (!bytes) return false;
        // The buffer's own storage takes the new text: after the first page
        // of a run, loading needs no fresh memory.
        std::u16string text = richTextBox1_.takeText();
        decodeAnsiText(platform_, bytes->view(), text);
        bytes.reset();  // the bytes are not needed once decoded
        richTextBox1_.setText(std::move(text));
        return true;
    } catch (const RunFailure&) {
        return false;
    }
}

}  // namespace quill
