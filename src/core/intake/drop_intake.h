#pragma once
// Files dropped on the window, its start button or its prompt box: the drop
// routine stages the dropped paths, classifies each by its name alone and
// admits HTML pages and supported documents to the source queue.

#include <string>
#include <string_view>
#include <vector>

#include "event_pump.h"
#include "state/program_state.h"

namespace quill {

// The three drop targets of the window.
enum class DropOn { Form, Command2, Text1 };

// What a drop delivers: the file list, when the dropped data offers one.
struct DropData {
    bool hasFileList = false;
    std::vector<std::u16string> files;  // in the order the platform delivered them
};

// A document the converter takes: the last four characters are one of the
// 19 supported suffixes, in any letter case.
[[nodiscard]] bool isSupportedDocument(std::u16string_view path);

// What the drop routine tells the window while it checks a drop, at the
// moment it happens; the window shows it (Form1).
class IntakeListener {
public:
    virtual ~IntakeListener() = default;
    // A checked path decides whether the start button may be pressed: an
    // HTML page or a document that it queued allows it, a path of any other
    // kind forbids it.
    virtual void startAllowed(bool allowed) = 0;
    // The check ended with a document waiting in the queue: the ready status.
    virtual void documentsReady() = 0;
};

// The drop routine, in three steps that Form1 runs for each drop: stage,
// check (sDropCheck), clear. The start button and the ready status go to the
// listener.
class DropIntake {
public:
    DropIntake(ProgramState& state, EventPump& events, IntakeListener& listener)
        : state_(state), events_(events), listener_(listener) {}

    // The HTML flag comes down, whatever the drop carries; each dropped path
    // goes to the top of the staging list, so the list ends up in the reverse
    // of the delivered order.
    void stage(const DropData& data);
    // Walks the staging list: an HTML page is queued every time it comes; a
    // supported document is queued unless the queue holds exactly this path;
    // anything else disables the start button. Ends with the ready status
    // whenever a document waits.
    void sDropCheck();
    // The staging list is emptied once its paths are checked.
    void clearStaging() noexcept { state_.list1.clear(); }

private:
    void admitDocument(const std::u16string& path);

    ProgramState& state_;
    EventPump& events_;
    IntakeListener& listener_;
};

}  // namespace quill
