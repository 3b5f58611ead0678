#pragma once
// Loading one text output into the text buffer.

#include "html/text_buffer.h"
#include "platform.h"
#include "state/program_state.h"

namespace quill {

// Reads the output-list entry at currentIndex whole and decodes it from the
// ANSI code page, a broken double-byte character as U+FFFD (see
// html/ansi_decoding.h). False, with the buffer as it was, when the file
// cannot be read. Any other failure, such as memory running out for a huge
// text, reaches the caller, and may leave the buffer empty.
[[nodiscard]] bool loadTextOutput(Files& files, CodePage& codePage, const ProgramState& state,
                                  TextBuffer& buffer);

}  // namespace quill
