// The drop routine shared by the three drop targets, and the classification
// and admission of the dropped paths.

#include "converter/naming.h"
#include "intake/extensions.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill {

void Form1::dropRoutine(const DropData& data) {
    state_.htmlGiven = false;
    if (data.hasFileList) {
        // Each path goes to the top, so the staging list ends up in the
        // reverse of the delivered order. A full list takes no more.
        for (const std::u16string& path : data.files) {
            if (!list1_.insertTop(path)) break;
        }
    }
    sDropCheck();
    list1_.clear();
}

void Form1::sDropCheck() {
    const int n = list1_.count();
    for (int i = 0; i < n; ++i) {
        const std::u16string& path = list1_.item(i);
        if (isHtmlPage(path)) {
            // HTML pages are queued without a duplicate test.
            if (list2_.append(path)) {
                state_.htmlGiven = true;
                platform_.setCommand2Enabled(true);
            }
        } else if (!isSupportedDocument(path)) {
            platform_.setCommand2Enabled(false);
        } else if (list2_.empty()) {
            if (list2_.append(path)) {
                state_.queueGrew = true;
                platform_.setCommand2Enabled(true);
            }
        } else {
            admitDocument(path);
        }
    }
    if (state_.queueGrew) {
        platform_.setCommand2Enabled(true);
        platform_.setCaption(texts::kReady);
        platform_.setText1(texts::kReady);
    }
}

// Queues a supported document unless the source queue already holds exactly
// this path. The queue's window events get two chances to run meanwhile.
void Form1::admitDocument(const std::u16string& path) {
    const int last = list2_.count() - 1;
    yieldOnce();
    const int found = list2_.firstIndexOf(path);
    const int k = (found >= 0 && found <= last) ? found : last + 1;
    yieldOnce();
    if (k == list2_.count() && list2_.append(path)) state_.queueGrew = true;
}

}  // namespace quill
