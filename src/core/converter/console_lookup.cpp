#include "converter/console_lookup.h"

#include <algorithm>

namespace quill {

std::optional<ConsoleFound> findConsole(ProcessId started, ConsoleReports& system) {
    // Without a job to read, the started process is all there is to ask.
    const std::vector<ProcessId> processes =
        system.jobProcesses().value_or(std::vector<ProcessId>{started});

    for (const ProcessId process : processes) {
        if (const WindowHandle window = system.consoleWindowOf(process); window != 0) {
            return ConsoleFound{window, process};
        }
    }
    for (const ConsoleReports::OwnedWindow& candidate : system.visibleWindows()) {
        if (candidate.window != 0 &&
            std::find(processes.begin(), processes.end(), candidate.owner) != processes.end()) {
            return ConsoleFound{candidate.window, candidate.owner};
        }
    }
    return std::nullopt;
}

}  // namespace quill
