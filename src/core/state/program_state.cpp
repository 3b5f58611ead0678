#include "state/program_state.h"

#include "base/naming.h"

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

void ProgramState::resetIntake() {
    conversion.htmlGiven = false;
    list1.clear();
    refreshQueueGrew();
}

bool OutputList::append(std::u16string path) {
    if (!paths_.append(std::move(path))) return false;
    statuses_.push_back(PageStatus::Awaiting);  // the room is there: it cannot fail
    return true;
}

PageStatus OutputList::status(int index) const {
    (void)paths_.item(index);  // raises InvalidArgument for an index out of range
    return statuses_[static_cast<std::size_t>(index)];
}

void OutputList::setStatus(int index, PageStatus status) {
    (void)paths_.item(index);
    statuses_[static_cast<std::size_t>(index)] = status;
}

}  // namespace quill
