#pragma once
// Everything the program keeps from one event handler to the next: the
// program-wide record and the three list queues. One for the life of the
// process, empty at start; nothing of it is stored on disk.

#include <cstdint>
#include <string>

#include "state/string_list.h"

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

struct ProgramState {
    ConversionState conversion;
    StringList list1;  // staging list: the paths of the drop being handled
    StringList list2;  // source queue: the admitted sources, in order of admission
    StringList list3;  // output list: every text output recorded since start-up
    // Sources at the front of the source queue that the running HTML run fed:
    // the first page it writes spends them.
    int spendable = 0;

    // Sets queueGrew exactly when the source queue holds a document other
    // than an HTML page.
    void refreshQueueGrew();
    // What writing a page does to the intake state: the HTML flag comes down,
    // the staging list is emptied and the spendable sources leave the queue.
    void spendQueue();
};

}  // namespace quill
