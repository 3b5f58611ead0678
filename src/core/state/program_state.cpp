#include "state/program_state.h"

#include "converter/naming.h"

namespace quill {

void ProgramState::refreshQueueGrew() {
    conversion.queueGrew = false;
    for (int i = 0; i < list2.count(); ++i) {
        if (!isHtmlPage(list2.item(i))) {
            conversion.queueGrew = true;
            return;
        }
    }
}

void ProgramState::spendQueue() {
    conversion.htmlGiven = false;
    list1.clear();
    if (spendable > 0) {
        const int spent = spendable;
        list2.removeIf([spent](int i) { return i < spent; });
        spendable = 0;
    }
    refreshQueueGrew();
}

}  // namespace quill
