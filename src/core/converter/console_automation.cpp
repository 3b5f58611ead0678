// Feeding the converter commands to a console through the clipboard and the
// console's paste keystrokes, for both conversion runs.

#include "converter/module1.h"
#include "failure.h"
#include "ui/form1.h"

namespace quill {

namespace {
constexpr std::u16string_view kPasteKeys = u"% ep";  // Alt+Space, E, P: Edit > Paste
constexpr std::u16string_view kEnterKey = u"{ENTER}";
constexpr std::u16string_view kExitCommand = u"exit";
constexpr std::uint32_t kBeforePasteMs = 1000;
constexpr std::uint32_t kAfterPasteMs = 500;
constexpr std::uint32_t kBeforeEnterMs = 100;
constexpr std::uint32_t kReforceEveryMs = 1000;
}  // namespace

void Form1::wrdtxt() {
    state_.appDir = fMyPath();
    try {
        // An empty queue gets no console: there is nothing to paste.
        if (list2_.empty()) return;
        startConsole();
        const int n = list2_.count();
        for (int i = 0; i < n; ++i) {
            feedSource(i);
            const std::u16string& source = list2_.item(i);
            // An HTML source gives no text-output name; its empty entry is
            // passed over by the page loop.
            std::u16string output = endsInHtml(source) ? std::u16string() : fTxtName(source);
            if (!list3_.append(std::move(output))) {
                throw RunFailure(FailureKind::ListFull, "output list full");
            }
        }
        yieldOnce();
        closeConsole();
        // The converter may still be working through the pasted commands:
        // the outputs are complete once the console has run "exit".
        (void)platform_.waitForConsoleExit(kConsoleExitLimit);
        if (unloaded_) throw WindowUnloaded{};
    } catch (const RunFailure&) {
        // Ends the console run silently; sources not yet fed are skipped.
    }
}

void Form1::startConsole() {
    console_ = 0;
    if (!platform_.startConsole()) throw RunFailure(FailureKind::Platform, "console did not start");
    for (std::uint32_t waited = 0;; waited += kPollMs) {
        console_ = platform_.consoleWindow();
        if (console_ != 0) return;
        if (waited >= kConsoleSearchMs) {
            throw RunFailure(FailureKind::ConsoleLost, "console window not found");
        }
        pause(kPollMs);
    }
}

void Form1::feedSource(int index) {
    SetForceForegroundWindow(console_);
    pause(kBeforePasteMs);
    putOnClipboard(fCmdLine(state_.appDir, list2_.item(index)));
    sendKeys(kPasteKeys);
    pause(kAfterPasteMs);
}

void Form1::closeConsole() {
    putOnClipboard(kExitCommand);
    SetForceForegroundWindow(console_);
    sendKeys(kPasteKeys);
    pause(kBeforeEnterMs);
    sendKeys(kEnterKey);
}

// Keystrokes go to the foreground window, so they are sent only while the
// run's own console is the foreground window; a console that cannot be
// brought forward ends the run.
void Form1::ensureConsoleForeground() {
    for (std::uint32_t waited = 0; platform_.foregroundWindow() != console_; waited += kPollMs) {
        if (waited >= kForegroundWaitMs) {
            throw RunFailure(FailureKind::ConsoleLost, "console is not the foreground window");
        }
        if (waited > 0 && waited % kReforceEveryMs == 0) SetForceForegroundWindow(console_);
        pause(kPollMs);
    }
}

void Form1::sendKeys(std::u16string_view keys) {
    ensureConsoleForeground();
    if (!platform_.sendKeys(keys)) throw RunFailure(FailureKind::Platform, "keystrokes not sent");
}

void Form1::putOnClipboard(std::u16string_view text) {
    if (!platform_.clearClipboard() || !platform_.putClipboardText(text)) {
        throw RunFailure(FailureKind::Platform, "clipboard not available");
    }
}

}  // namespace quill
