// The two buttons: the HTML conversion run and the text-only run.

#include <exception>

#include "base/naming.h"
#include "converter/output_freshness.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill {

void Form1::Command2_Click() {
    if (unloaded() || busy()) return;
    runHandler([this] {
        roles_.view.setCaption(texts::kConverting);
        roles_.view.setCommand2Caption(texts::kConverting);
        roles_.view.setStacking(Stacking::Bottom);
        const ConsoleRun run = wrdtxt();
        // A refused source would be refused again: it leaves the queue now.
        state_.list2.removeIf(
            [&run](int i) { return run.sources[static_cast<std::size_t>(i)].refused; });
        state_.refreshQueueGrew();
        events_.yieldOnce();
        const int withoutText = settleOutputs(run);

        int failedPages = run.refused();
        if (!state_.conversion.htmlGiven) {
            // Every source fed leaves the queue, whether its page is made or
            // not (a failure is counted below): with the refused ones gone,
            // the fed ones lead the queue, and those the run did not reach
            // stay for the next press. A press that makes no pages keeps them.
            state_.list2.removeIf([fed = run.fed()](int i) { return i < fed; });
            state_.refreshQueueGrew();
            failedPages += withoutText + writePages();
        }

        roles_.view.setCommand2Caption(texts::kStart);
        roles_.view.setCaption(texts::kIdleCaption);
        if (run.interrupted) {
            roles_.view.setText1(texts::interrupted(run.notFed(), failedPages));
        } else if (failedPages > 0) {
            roles_.view.setText1(texts::pagesFailed(failedPages));
        } else {
            roles_.view.setText1(texts::kPrompt);
        }
        state_.conversion.htmlGiven = false;
        roles_.view.setStacking(Stacking::Topmost);
    });
}

int Form1::settleOutputs(const ConsoleRun& run) {
    // An older text of the same name is not this source's text: the entry
    // gets no page, in this press or a later one.
    int failed = 0;
    for (const ConsoleRun::Source& source : run.sources) {
        if (!source.output) continue;
        const std::u16string& output = state_.list3.item(*source.output);
        if (tooShortToName(output) || source.ownText ||
            writtenByRun(source.textBefore, roles_.files.lastWriteTime(output), run.began)) {
            continue;
        }
        state_.list3.setStatus(*source.output, PageStatus::Failed);
        ++failed;
    }
    return failed;
}

int Form1::writePages() {
    int failed = 0;
    const int n = state_.list3.count();
    for (int i = 0; i < n; ++i) {
        state_.conversion.currentIndex = static_cast<std::int16_t>(i);
        // An entry too short to name a page (an HTML source's) is no page
        // to make; a failed one was counted once and is not tried again.
        const PageStatus status = state_.list3.status(i);
        if (tooShortToName(state_.list3.item(i)) || status == PageStatus::Failed) continue;
        if (makePage()) {
            state_.list3.setStatus(i, PageStatus::Made);
        } else {
            ++failed;
            // A page made before is tried again by the next press.
            if (status == PageStatus::Awaiting) state_.list3.setStatus(i, PageStatus::Failed);
        }
    }
    return failed;
}

bool Form1::makePage() {
    try {
        // A text that did not load gives no page: the buffer still holds the
        // previous entry's text.
        return txthtml() && htm_save();
    } catch (const std::exception&) {
        // Any other failure on the way, such as memory running out for a
        // huge text, costs this page only.
        return false;
    }
}

void Form1::Command3_Click() {
    if (unloaded() || busy()) return;
    runHandler([this] {
        const ConsoleRun run = console_.run(ConsoleRunKind::textOnly());
        // A complete run changes no text.
        if (run.interrupted) roles_.view.setText1(texts::interrupted(run.notFed()));
    });
}

}  // namespace quill
