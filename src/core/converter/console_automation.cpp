#include "converter/console_automation.h"

#include <algorithm>

#include "converter/console_expansion.h"
#include "converter/module1.h"
#include "base/naming.h"
#include "converter/posix_command.h"
#include "failure.h"

namespace quill {

int ConsoleRun::fed() const {
    return static_cast<int>(std::ranges::count(sources, true, &Source::fed));
}

int ConsoleRun::refused() const {
    return static_cast<int>(std::ranges::count(sources, true, &Source::refused));
}

int ConsoleRun::notFed() const {
    return static_cast<int>(std::ranges::count_if(
        sources, [](const Source& source) { return !source.fed && !source.refused; }));
}

namespace {
constexpr std::u16string_view kExitCommand = u"exit";
constexpr std::uint32_t kReforceEveryMs = 1000;
}  // namespace

ConsoleRun ConsoleAutomation::run(const ConsoleRunKind& kind) {
    if (kind.freshAppDir) state_.conversion.appDir = *kind.freshAppDir;
    ConsoleRun run;
    if (state_.list2.empty()) return run;
    run.began = files_.now();
    std::vector<PlannedSource> sources = plan(kind.recordOutputs);
    const bool anyToFeed = std::ranges::any_of(
        sources, [](const PlannedSource& source) { return !source.record.refused; });
    if (anyToFeed) run.interrupted = !feed(sources, kind.recordOutputs);
    run.sources.reserve(sources.size());
    for (const PlannedSource& source : sources) run.sources.push_back(source.record);

    if (kind.recordOutputs && !run.interrupted && run.fed() > 0) {
        // The converter may still be working through the pasted commands:
        // the outputs are complete once the console has run "exit".
        (void)console_.waitForConsoleExit(kConsoleExitLimit);
        events_.throwIfUnloaded();
    }
    return run;
}

// What becomes of each source is decided before the console starts, from
// the environment it will inherit: a command the console would change is
// not fed, and neither is a source whose text output cannot be named.
std::vector<ConsoleAutomation::PlannedSource> ConsoleAutomation::plan(bool recordOutputs) {
    // Only cmd expands %NAME% in a command: a POSIX shell takes the quoted
    // paths as they are.
    const bool cmd = console_.consoleDialect() == ConsoleDialect::Cmd;
    const ConsoleVariables variables(cmd ? console_.environmentNames()
                                         : std::vector<std::u16string>{});
    const int n = state_.list2.count();
    std::vector<PlannedSource> sources(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        PlannedSource& planned = sources[static_cast<std::size_t>(i)];
        ConsoleRun::Source& record = planned.record;
        const std::u16string& source = state_.list2.item(i);
        const std::u16string& appDir = state_.conversion.appDir;
        if (cmd) {
            planned.command = fCmdLine(appDir, source);
            record.refused = consoleWouldChange(planned.command, variables);
        } else {
            planned.command = posixCommandLine(appDir, source);
        }
        // A source ending in ".html" gets no text-output name: its entry
        // stays empty, and the page loop passes over it.
        if (recordOutputs && !record.refused && !endsInHtml(source)) {
            try {
                planned.output = fTxtName(source);
                record.textBefore = files_.lastWriteTime(planned.output);
                record.ownText = isTextFile(source);
            } catch (const RunFailure&) {
                record.refused = true;
            }
        }
    }
    return sources;
}

// Starts the console, pastes the command of every source not refused, one
// at a time, and tells the console to exit. A failure on the way stops the
// run: the sources not reached stay unfed and the console is ended.
bool ConsoleAutomation::feed(std::vector<PlannedSource>& sources, bool recordOutputs) {
    try {
        startConsole();
        for (PlannedSource& source : sources) {
            ConsoleRun::Source& record = source.record;
            if (record.refused) continue;
            if (recordOutputs && state_.list3.count() >= StringList::kMaxEntries) {
                throw RunFailure(FailureKind::ListFull, "output list full");
            }
            feedCommand(source.command);
            if (recordOutputs) {
                (void)state_.list3.append(std::move(source.output));  // room was checked above
                record.output = state_.list3.count() - 1;
            }
            record.fed = true;
        }
        events_.yieldOnce();
        closeConsole();
        return true;
    } catch (const RunFailure&) {
        abandonConsole();
        return false;
    }
}

void ConsoleAutomation::startConsole() {
    consoleWindow_ = 0;
    if (!console_.startConsole()) throw RunFailure(FailureKind::Platform, "console did not start");
    for (std::uint32_t waited = 0;; waited += kPollMs) {
        consoleWindow_ = console_.consoleWindow();
        if (consoleWindow_ != 0) return;
        if (waited >= kConsoleSearchMs) {
            throw RunFailure(FailureKind::ConsoleLost, "console window not found");
        }
        events_.pause(kPollMs);
    }
}

void ConsoleAutomation::feedCommand(std::u16string_view commandLine) {
    const ConsolePacing pacing = console_.consolePacing();
    console_.bringToFront(consoleWindow_);
    if (pacing.beforePasteMs > 0) events_.pause(pacing.beforePasteMs);
    ensureConsoleAtFront();
    delivered(console_.pasteLine(commandLine, consoleWindow_));
    if (pacing.afterPasteMs > 0) events_.pause(pacing.afterPasteMs);
}

void ConsoleAutomation::closeConsole() {
    console_.bringToFront(consoleWindow_);
    ensureConsoleAtFront();
    delivered(console_.pasteLine(kExitCommand, consoleWindow_));
    if (const ConsolePacing pacing = console_.consolePacing(); pacing.beforeEnterMs > 0) {
        events_.pause(pacing.beforeEnterMs);
    }
    ensureConsoleAtFront();
    delivered(console_.pressEnter(consoleWindow_));
}

// A run that cannot go on ends its console, which would otherwise wait at
// its prompt for ever, and leaves the clipboard as a complete run does.
void ConsoleAutomation::abandonConsole() {
    console_.endConsole(kConsoleExitLimit);
    events_.throwIfUnloaded();
    (void)console_.leaveOnClipboard(kExitCommand);
}

// Lines and keys go to the front window, so they are given only while the
// run's own console is at the front; a console that cannot be brought
// forward ends the run, and so does another window that takes the front
// while they go out.
void ConsoleAutomation::ensureConsoleAtFront() {
    for (std::uint32_t waited = 0; !console_.atFront(consoleWindow_); waited += kPollMs) {
        if (waited >= kForegroundWaitMs) {
            throw RunFailure(FailureKind::ConsoleLost, "console is not the front window");
        }
        if (waited > 0 && waited % kReforceEveryMs == 0) console_.bringToFront(consoleWindow_);
        events_.pause(kPollMs);
    }
}

void ConsoleAutomation::delivered(KeyDelivery delivery) {
    switch (delivery) {
        case KeyDelivery::Delivered:
            return;
        case KeyDelivery::ForegroundLost:
            throw RunFailure(FailureKind::ConsoleLost, "another window took the front");
        case KeyDelivery::Failed:
            break;
    }
    throw RunFailure(FailureKind::Platform, "the console took no line");
}

}  // namespace quill
