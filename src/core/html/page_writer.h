#pragma once
// Writing the page of one text output from the text buffer.

#include "html/text_buffer.h"
#include "platform.h"
#include "state/program_state.h"

namespace quill {

// Writes the page of the output-list entry at currentIndex (see
// converter/naming.h for its path), in the format of html/page_format.h and
// the ANSI code page, and shows "html作成中" in the caption. Once the page
// file is open, writing it resets the intake state (ProgramState::resetIntake).
// True once the whole page has been written and closed; a page that cannot
// be created is no page, and leaves the intake state as it was.
[[nodiscard]] bool writePage(Platform& platform, ProgramState& state, const TextBuffer& text);

}  // namespace quill
