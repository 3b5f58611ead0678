// Feeding the converter commands to a console through the clipboard and the
// console's paste keystrokes, for both conversion runs.

#include "converter/console_expansion.h"
#include "converter/module1.h"
#include "converter/naming.h"
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

ConsoleRun Form1::wrdtxt() {
    state_.conversion.appDir = fMyPath();
    ConsoleRun run = runConsole(true);
    if (!run.interrupted && run.fed > 0) {
        // The converter may still be working through the pasted commands:
        // the outputs are complete once the console has run "exit".
        (void)platform_.waitForConsoleExit(kConsoleExitLimit);
        events_.throwIfUnloaded();
    }
    return run;
}

ConsoleRun Form1::runConsole(bool recordOutputs) {
    ConsoleRun run;
    run.began = platform_.now();

    // What becomes of each source is decided before the console starts,
    // from the environment it will inherit.
    const ConsoleVariables variables(platform_.environmentNames());
    const int n = state_.list2.count();
    std::vector<std::u16string> commands(static_cast<std::size_t>(n));
    std::vector<std::u16string> outputs(static_cast<std::size_t>(n));
    std::vector<ConsoleRun::Output> outputTimes(static_cast<std::size_t>(n));
    run.refusedAt.assign(static_cast<std::size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const std::u16string& source = state_.list2.item(i);
        commands[at] = fCmdLine(state_.conversion.appDir, source);
        bool refused = consoleWouldChange(commands[at], variables);
        if (recordOutputs && !refused && !endsInHtml(source)) {
            try {
                outputs[at] = fTxtName(source);
                outputTimes[at].before = platform_.lastWriteTime(outputs[at]);
                outputTimes[at].ownText = isTextFile(source);
            } catch (const RunFailure&) {
                refused = true;  // no page could be named for it
            }
        }
        if (refused) {
            run.refusedAt[at] = true;
            ++run.refused;
        }
    }
    if (run.refused == n) return run;  // nothing to feed: no console

    int next = 0;
    try {
        startConsole();
        for (; next < n; ++next) {
            const auto at = static_cast<std::size_t>(next);
            if (run.refusedAt[at]) continue;
            if (recordOutputs && state_.list3.count() >= StringList::kMaxEntries) {
                throw RunFailure(FailureKind::ListFull, "output list full");
            }
            feedCommand(commands[at]);
            if (recordOutputs) {
                (void)state_.list3.append(std::move(outputs[at]));  // room was checked above
                run.outputs.push_back(outputTimes[at]);
            }
            ++run.fed;
        }
        events_.yieldOnce();
        closeConsole();
    } catch (const RunFailure&) {
        run.interrupted = true;
        for (int i = next; i < n; ++i) {
            if (!run.refusedAt[static_cast<std::size_t>(i)]) ++run.notFed;
        }
        abandonConsole();
    }
    return run;
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
        events_.pause(kPollMs);
    }
}

void Form1::feedCommand(std::u16string_view commandLine) {
    SetForceForegroundWindow(console_);
    events_.pause(kBeforePasteMs);
    putOnClipboard(commandLine);
    sendKeys(kPasteKeys);
    events_.pause(kAfterPasteMs);
}

void Form1::closeConsole() {
    putOnClipboard(kExitCommand);
    SetForceForegroundWindow(console_);
    sendKeys(kPasteKeys);
    events_.pause(kBeforeEnterMs);
    sendKeys(kEnterKey);
}

// A run that cannot go on ends its console, which would otherwise wait at
// its prompt for ever, and leaves the clipboard as a complete run does.
void Form1::abandonConsole() {
    platform_.endConsole(kConsoleExitLimit);
    events_.throwIfUnloaded();
    (void)(platform_.clearClipboard() && platform_.putClipboardText(kExitCommand));
}

// Keystrokes go to the foreground window, so they are sent only while the
// run's own console is the foreground window; a console that cannot be
// brought forward ends the run, and so does another window that takes the
// foreground while the keys go out.
void Form1::ensureConsoleForeground() {
    for (std::uint32_t waited = 0; platform_.foregroundWindow() != console_; waited += kPollMs) {
        if (waited >= kForegroundWaitMs) {
            throw RunFailure(FailureKind::ConsoleLost, "console is not the foreground window");
        }
        if (waited > 0 && waited % kReforceEveryMs == 0) SetForceForegroundWindow(console_);
        events_.pause(kPollMs);
    }
}

void Form1::sendKeys(std::u16string_view keys) {
    ensureConsoleForeground();
    switch (platform_.sendKeys(keys, console_)) {
        case KeyDelivery::Delivered:
            return;
        case KeyDelivery::ForegroundLost:
            throw RunFailure(FailureKind::ConsoleLost, "another window took the foreground");
        case KeyDelivery::Failed:
            break;
    }
    throw RunFailure(FailureKind::Platform, "keystrokes not sent");
}

void Form1::putOnClipboard(std::u16string_view text) {
    if (!platform_.clearClipboard() || !platform_.putClipboardText(text)) {
        throw RunFailure(FailureKind::Platform, "clipboard not available");
    }
}

}  // namespace quill
