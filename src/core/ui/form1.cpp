#include "ui/form1.h"

#include <exception>

#include "failure.h"
#include "html/page_writer.h"
#include "html/text_loader.h"
#include "scope_exit.h"
#include "ui/layout.h"
#include "ui/status_texts.h"

namespace quill {

void Form1::Form_Load() {
    if (roles_.lifecycle.anotherInstanceRunning()) {
        secondStart_ = true;
        sFormAllUnload();
        return;
    }
    roles_.view.setCaption(texts::kIdleCaption);
    roles_.view.setText1(texts::kPrompt);
    roles_.view.setCommand2Caption(texts::kStart);
    roles_.view.setCommand2Enabled(false);
    roles_.view.setCommand3Caption(texts::kTextOnly);
    (void)fMyPath();  // fills the folder cache
    roles_.view.setStacking(Stacking::Topmost);
    state_.conversion.appDir = fMyPath();
    roles_.view.setOuterSizeTwips(layout::kStripWidth, layout::kStripHeight);
}

std::u16string Form1::fMyPath() {
    if (myPathCache_.empty()) {
        myPathCache_ = roles_.lifecycle.executableDirectory();
        const char16_t separator = roles_.lifecycle.directorySeparator();
        if (myPathCache_.empty() || myPathCache_.back() != separator) myPathCache_ += separator;
    }
    return myPathCache_;
}

ConsoleRun Form1::wrdtxt() {
    return console_.run(ConsoleRunKind::html(fMyPath()));
}

bool Form1::txthtml() {
    return loadTextOutput(roles_.files, roles_.codePage, state_, richTextBox1_);
}

bool Form1::htm_save() {
    roles_.view.setCaption(texts::kWritingHtml);
    // Writing a page spends the intake state, once the page is open.
    return writePage(roles_.files, roles_.codePage, state_, richTextBox1_,
                     [this] { state_.resetIntake(); });
}

void Form1::SetForceForegroundWindow(WindowHandle window) {
    roles_.console.bringToFront(window);
}

void Form1::Form_QueryUnload() {
    sFormAllUnload();
}

void Form1::Form_Unload() {
    sFormAllUnload();
}

void Form1::sFormAllUnload() {
    // Both close events and a second instance's start-up lead here; the
    // window closes exactly once.
    if (events_.unloaded()) return;
    events_.markUnloaded();
    pendingDrops_.clear();
    roles_.lifecycle.closeAllWindows();
}

bool Form1::OpenFiles(std::vector<std::u16string> files) {
    if (files.empty()) return true;
    if (secondStart_) return roles_.lifecycle.handToRunningInstance(files);
    acceptDrop(DropData{true, std::move(files)});
    return true;
}

void Form1::OLEDragDrop(DropOn target, DropData data) {
    switch (target) {
        case DropOn::Form:
            Form_OLEDragDrop(std::move(data));
            return;
        case DropOn::Command2:
            Command2_OLEDragDrop(std::move(data));
            return;
        case DropOn::Text1:
            Text1_OLEDragDrop(std::move(data));
            return;
    }
}

void Form1::acceptDrop(DropData data) {
    if (events_.unloaded()) return;
    if (depth_ > 0) {
        pendingDrops_.push_back(std::move(data));
        return;
    }
    runHandler([&] { dropRoutine(data); });
}

void Form1::dropRoutine(const DropData& data) {
    intake_.stage(data);
    sDropCheck();
    intake_.clearStaging();
}

void Form1::sDropCheck() {
    intake_.sDropCheck();
}

void Form1::startAllowed(bool allowed) {
    roles_.view.setCommand2Enabled(allowed);
}

void Form1::documentsReady() {
    roles_.view.setCommand2Enabled(true);
    roles_.view.setCaption(texts::kReady);
    roles_.view.setText1(texts::kReady);
}

void Form1::runHandler(const std::function<void()>& body) {
    runGuarded(body);
    // The drops that arrived meanwhile, in arrival order; each may gather
    // more while it yields.
    while (!pendingDrops_.empty() && !events_.unloaded()) {
        const DropData next = std::move(pendingDrops_.front());
        pendingDrops_.pop_front();
        runGuarded([&] { dropRoutine(next); });
    }
}

void Form1::runGuarded(const std::function<void()>& body) {
    ++depth_;
    const ScopeExit leave([this] { --depth_; });
    try {
        body();
    } catch (const WindowUnloaded&) {
        // The window is gone: leave without touching it.
    } catch (const std::exception&) {
        // A failure no procedure handles (a RunFailure, or the system's, such
        // as memory running out) ends the handler. The window goes back to
        // the top of the stacking order, where it stays between runs.
        if (!events_.unloaded()) roles_.view.setStacking(Stacking::Topmost);
    }
}

}  // namespace quill
