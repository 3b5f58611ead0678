#pragma once
// Everything the program keeps from one event handler to the next: the
// program-wide record and the three list queues. One for the life of the
// process, empty at start; nothing of it is stored on disk.

#include <cstdint>
#include <string>
#include <vector>

#include "state/string_list.h"

namespace quill {

struct ConversionState {
    // The program's own folder with a trailing separator, as fMyPath gives it.
    std::u16string appDir;
    // The latest drop admitted an HTML page to the source queue.
    bool htmlGiven = false;
    // The source queue holds a document other than an HTML page, admitted
    // since the page writer last emptied it.
    bool queueGrew = false;
    // The output-list entry whose page is being made.
    std::int16_t currentIndex = 0;
};

// What became of the page of one output-list entry.
enum class PageStatus : std::uint8_t {
    Awaiting,  // not tried yet: its run got its text, or has yet to end
    Made,      // made at least once: every later press makes it again
    Failed,    // its run did not get its text, or it was not made when first
               // tried: no later press makes it or counts it
};

// The output list: every text output recorded since start-up, in order,
// each with the status of its page. An entry and its status are added in
// one step, and neither is ever removed.
class OutputList {
public:
    OutputList() { statuses_.reserve(StringList::kMaxEntries); }

    [[nodiscard]] const StringList& paths() const noexcept { return paths_; }
    [[nodiscard]] std::int16_t count() const noexcept { return paths_.count(); }
    [[nodiscard]] const std::u16string& item(int index) const { return paths_.item(index); }
    // Adds an entry whose page is Awaiting; refuses (and returns false) when
    // the list already holds StringList::kMaxEntries.
    [[nodiscard]] bool append(std::u16string path);

    [[nodiscard]] PageStatus status(int index) const;
    void setStatus(int index, PageStatus status);

private:
    StringList paths_;
    std::vector<PageStatus> statuses_;  // one per entry, room for all made at start
};

struct ProgramState {
    ConversionState conversion;
    StringList list1;  // staging list: the paths of the drop being handled
    StringList list2;  // source queue: the admitted sources, in order of admission
    OutputList list3;  // output list: every text output recorded since start-up

    // Sets queueGrew exactly when the source queue holds a document other
    // than an HTML page.
    void refreshQueueGrew();
    // What writing a page does to the intake state: the HTML flag comes down
    // and the staging list is emptied. (The HTML run itself takes the sources
    // it fed out of the queue.)
    void resetIntake();
};

}  // namespace quill
