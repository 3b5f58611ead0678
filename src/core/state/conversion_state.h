#pragma once
// The program-wide record: one for the life of the process, zeroed at start.

#include <cstdint>
#include <string>

namespace quill {

struct ConversionState {
    // The program's own folder with a trailing backslash, as fMyPath gives it.
    std::u16string appDir;
    // The latest drop admitted an HTML page to the source queue.
    bool htmlGiven = false;
    // The source queue holds a document other than an HTML page, admitted
    // since the page writer last emptied it.
    bool queueGrew = false;
    // The output-list entry whose page is being made.
    std::int16_t currentIndex = 0;
};

}  // namespace quill
