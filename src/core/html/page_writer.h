#pragma once
// Writing the page of one text output from the text buffer.

#include <functional>

#include "html/text_buffer.h"
#include "platform.h"
#include "state/program_state.h"

namespace quill {

// Writes the page of the output-list entry at currentIndex (see
// base/naming.h for its path), in the format of html/page_format.h and
// the ANSI code page. Calls opened() once the page file is open and its head
// written, before the first line goes in. True once the whole page has been
// written and closed; a page that cannot be created is no page, and is not
// reported opened.
[[nodiscard]] bool writePage(Files& files, CodePage& codePage, const ProgramState& state,
                             const TextBuffer& text, const std::function<void()>& opened);

}  // namespace quill
