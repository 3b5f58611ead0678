// The two buttons: the HTML conversion run and the text-only run.

#include "failure.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill {

void Form1::Command2_Click() {
    if (unloaded_ || busy()) return;
    runHandler([this] {
        platform_.setCaption(texts::kConverting);
        platform_.setCommand2Caption(texts::kConverting);
        platform_.setStacking(Stacking::Bottom);
        wrdtxt();
        yieldOnce();

        int failedPages = 0;
        if (!state_.htmlGiven) {
            const int n = list3_.count();
            for (int i = 0; i < n; ++i) {
                state_.currentIndex = static_cast<std::int16_t>(i);
                // An entry too short to name a page (an HTML source's) is no
                // page to make.
                if (list3_.item(i).size() < 4) continue;
                // A text that did not load gives no page: the buffer still
                // holds the previous entry's text.
                if (!txthtml() || !htm_save()) ++failedPages;
            }
        }

        platform_.setCommand2Caption(texts::kStart);
        platform_.setCaption(texts::kIdleCaption);
        if (failedPages > 0) {
            platform_.setText1(texts::pagesFailed(failedPages));
        } else {
            platform_.setText1(texts::kPrompt);
        }
        state_.htmlGiven = false;
        platform_.setStacking(Stacking::Topmost);
    });
}

void Form1::Command3_Click() {
    if (unloaded_ || busy()) return;
    runHandler([this] {
        try {
            if (list2_.count() < 1) return;
            startConsole();
            const int n = list2_.count();
            for (int i = 0; i < n; ++i) feedSource(i);
            yieldOnce();
            closeConsole();
        } catch (const RunFailure&) {
            // Ends the run silently, as the HTML run's console part does.
        }
    });
}

}  // namespace quill
