#include "intake/drop_intake.h"

#include <array>

#include "base/naming.h"
#include "base/text_util.h"

namespace quill {

namespace {
constexpr std::array<std::u16string_view, 19> kSupportedSuffixes = {
    u".doc", u".rtf", u".jtd", u".txt", u".xls", u".ppt", u".jaw", u".jtw", u".jbw", u".juw",
    u".jfw", u".jvw", u".jtt", u".wj2", u".wj3", u".wk3", u".wk4", u".123", u".pdf",
};
}  // namespace

bool isSupportedDocument(std::u16string_view path) {
    const std::u16string_view suffix = extensionOf(path);
    for (std::u16string_view supported : kSupportedSuffixes) {
        if (equalsIgnoringCase(suffix, supported)) return true;
    }
    return false;
}

void DropIntake::stage(const DropData& data) {
    state_.conversion.htmlGiven = false;
    if (!data.hasFileList) return;
    for (const std::u16string& path : data.files) {
        if (!state_.list1.insertTop(path)) break;  // a full list takes no more
    }
}

void DropIntake::sDropCheck() {
    ConversionState& flags = state_.conversion;
    const int n = state_.list1.count();
    for (int i = 0; i < n; ++i) {
        const std::u16string& path = state_.list1.item(i);
        if (isHtmlPage(path)) {
            if (state_.list2.append(path)) {
                flags.htmlGiven = true;
                listener_.startAllowed(true);
            }
        } else if (!isSupportedDocument(path)) {
            listener_.startAllowed(false);
        } else if (state_.list2.empty()) {
            if (state_.list2.append(path)) {
                flags.queueGrew = true;
                listener_.startAllowed(true);
            }
        } else {
            admitDocument(path);
        }
    }
    if (flags.queueGrew) listener_.documentsReady();
}

// Queues a supported document unless the source queue already holds exactly
// this path. Pending window events get two chances to run meanwhile, before
// the scan and before the admission; a drop that arrives then waits for this
// one (see Form1), so the queue does not change under the scan.
void DropIntake::admitDocument(const std::u16string& path) {
    const int last = state_.list2.count() - 1;
    events_.yieldOnce();
    const int found = state_.list2.firstIndexOf(path);
    const int k = (found >= 0 && found <= last) ? found : last + 1;
    events_.yieldOnce();
    if (k == state_.list2.count() && state_.list2.append(path)) state_.conversion.queueGrew = true;
}

}  // namespace quill
