#pragma once
// Which window is the run's console, from what the system reports.
//
// The process the run starts need not be a client of the console it opens: a
// console host started with the shell as its argument hosts the console and
// runs the shell as its child, and cannot itself be attached to. The window
// may report as its owner the host, or the host's first client. So the
// console is looked for through every process of the run's job: attached to
// in turn, each a client names its console's window; failing that, a visible
// top-level window that reports one of them as its owner is the console's.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform.h"

namespace quill {

using ProcessId = std::uint32_t;  // 0: no process

// What the system reports about the processes of a run's console. Asked in
// the order the lookup needs, and no more than it needs.
class ConsoleReports {
public:
    struct OwnedWindow {
        WindowHandle window = 0;
        ProcessId owner = 0;  // the process the window reports as its owner
    };

    virtual ~ConsoleReports() = default;
    // The processes of the run's job that still run, in the system's order;
    // nothing when the job cannot be read.
    [[nodiscard]] virtual std::optional<std::vector<ProcessId>> jobProcesses() = 0;
    // The window of the console that the process is a client of: 0 when it
    // cannot be attached to or its console has no window (yet).
    [[nodiscard]] virtual WindowHandle consoleWindowOf(ProcessId process) = 0;
    // The visible top-level windows, in the system's order.
    [[nodiscard]] virtual std::vector<OwnedWindow> visibleWindows() = 0;
};

struct ConsoleFound {
    WindowHandle window = 0;
    // The process it was found through: a client of the console (the shell,
    // before any command runs) or, failing every attach, the window's
    // reported owner.
    ProcessId through = 0;
};

// The console window of a run whose started process is `started`: nothing
// while there is none.
[[nodiscard]] std::optional<ConsoleFound> findConsole(ProcessId started, ConsoleReports& system);

}  // namespace quill
