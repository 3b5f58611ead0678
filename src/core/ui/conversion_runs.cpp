// The two buttons: the HTML conversion run and the text-only run.

#include "converter/naming.h"
#include "converter/output_freshness.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill {

void Form1::Command2_Click() {
    if (unloaded() || busy()) return;
    runHandler([this] {
        platform_.setCaption(texts::kConverting);
        platform_.setCommand2Caption(texts::kConverting);
        platform_.setStacking(Stacking::Bottom);
        const int firstNew = state_.list3.count();
        const ConsoleRun run = wrdtxt();
        // A refused source would be refused again: it leaves the queue now.
        // The sources fed leave it with the first page written; the ones the
        // run did not reach stay for the next press.
        state_.list2.removeIf([&run](int i) { return run.refusedAt[static_cast<std::size_t>(i)]; });
        state_.refreshQueueGrew();
        state_.spendable = run.fed;
        events_.yieldOnce();

        int failedPages = run.refused;
        if (!state_.conversion.htmlGiven) failedPages += writePages(firstNew, run);
        state_.spendable = 0;

        platform_.setCommand2Caption(texts::kStart);
        platform_.setCaption(texts::kIdleCaption);
        if (run.interrupted) {
            platform_.setText1(texts::interrupted(run.notFed, failedPages));
        } else if (failedPages > 0) {
            platform_.setText1(texts::pagesFailed(failedPages));
        } else {
            platform_.setText1(texts::kPrompt);
        }
        state_.conversion.htmlGiven = false;
        platform_.setStacking(Stacking::Topmost);
    });
}

int Form1::writePages(int firstNew, const ConsoleRun& run) {
    int failed = 0;
    const int n = state_.list3.count();
    for (int i = 0; i < n; ++i) {
        state_.conversion.currentIndex = static_cast<std::int16_t>(i);
        const std::u16string& output = state_.list3.item(i);
        // An entry too short to name a page (an HTML source's) is no page
        // to make.
        if (tooShortToName(output)) continue;
        // The run's own entries make pages only from texts that its
        // conversions wrote: an older text of the same name is not this
        // source's text.
        if (i >= firstNew) {
            const ConsoleRun::Output& own = run.outputs[static_cast<std::size_t>(i - firstNew)];
            if (!own.ownText &&
                !writtenByRun(own.before, platform_.lastWriteTime(output), run.began)) {
                ++failed;
                continue;
            }
        }
        // A text that did not load gives no page: the buffer still holds the
        // previous entry's text.
        if (!txthtml() || !htm_save()) ++failed;
    }
    return failed;
}

void Form1::Command3_Click() {
    if (unloaded() || busy()) return;
    runHandler([this] { (void)console_.run(ConsoleRunKind::textOnly()); });
}

}  // namespace quill
