// The drop routine shared by the three drop targets, and the classification
// and admission of the dropped paths.

#include "converter/naming.h"
#include "intake/extensions.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill {

void Form1::dropRoutine(const DropData& data) {
    state_.conversion.htmlGiven = false;
    if (data.hasFileList) {
        // Each path goes to the top, so the staging list ends up in the
        // reverse of the delivered order. A full list takes no more.
        for (const std::u16string& path : data.files) {
            if (!state_.list1.insertTop(path)) break;
        }
    }
    sDropCheck();
    state_.list1.clear();
}

void Form1::sDropCheck() {
    const int n = state_.list1.count();
    for (int i = 0; i < n; ++i) {
        const std::u16string& path = state_.list1.item(i);
        if (isHtmlPage(path)) {
            // HTML pages are queued without a duplicate test.
            if (state_.list2.append(path)) {
                state_.conversion.htmlGiven = true;
                platform_.setCommand2Enabled(true);
            }
        } else if (!isSupportedDocument(path)) {
            platform_.setCommand2Enabled(false);
        } else if (state_.list2.empty()) {
            if (state_.list2.append(path)) {
                state_.conversion.queueGrew = true;
                platform_.setCommand2Enabled(true);
            }
        } else {
            admitDocument(path);
        }
    }
    if (state_.conversion.queueGrew) {
        platform_.setCommand2Enabled(true);
        platform_.setCaption(texts::kReady);
        platform_.setText1(texts::kReady);
    }
}

// Queues a supported document unless the source queue already holds exactly
// this path. The queue's window events get two chances to run meanwhile.
void Form1::admitDocument(const std::u16string& path) {
    const int last = state_.list2.count() - 1;
    events_.yieldOnce();
    const int found = state_.list2.firstIndexOf(path);
    const int k = (found >= 0 && found <= last) ? found : last + 1;
    events_.yieldOnce();
    if (k == state_.list2.count() && state_.list2.append(path)) state_.conversion.queueGrew = true;
}

}  // namespace quill
