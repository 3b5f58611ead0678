// Finding the run's console window in the process topologies that exist:
// each model answers as that system is documented or measured to answer.

#include <gtest/gtest.h>

#include <map>

#include "converter/console_lookup.h"

namespace quill::test {
namespace {

constexpr WindowHandle kConsole = 0x5000;
constexpr WindowHandle kOther = 0x6000;

struct Topology final : ConsoleReports {
    std::optional<std::vector<ProcessId>> job;
    std::map<ProcessId, WindowHandle> attachable;  // a client, and the window its console reports
    std::vector<OwnedWindow> windows;
    std::vector<ProcessId> attached;  // the processes asked, in order

    std::optional<std::vector<ProcessId>> jobProcesses() override { return job; }
    WindowHandle consoleWindowOf(ProcessId process) override {
        attached.push_back(process);
        const auto found = attachable.find(process);
        return found == attachable.end() ? 0 : found->second;
    }
    std::vector<OwnedWindow> visibleWindows() override { return windows; }
};

// Wine, cmd.exe started directly: the started process is the client; the
// window reports the console host, which is in the job too.
// Wine, wineconsole.exe cmd.exe: the started process is a host that cannot be
// attached to; cmd.exe can.
// Windows 10 and 11, conhost.exe cmd.exe: the host cannot be attached to, and
// the window reports the host's first client, cmd.exe, as its owner.
TEST(ConsoleLookup, FindsTheWindowThroughTheClientInEveryTopology) {
    Topology wine;
    wine.job = {{10, 11}};
    wine.attachable = {{10, kConsole}};
    wine.windows = {{kOther, 99}, {kConsole, 11}};
    EXPECT_EQ(findConsole(10, wine)->window, kConsole);
    EXPECT_EQ(findConsole(10, wine)->through, 10u);

    Topology wineHost;
    wineHost.job = {{20, 21, 22}};
    wineHost.attachable = {{21, kConsole}};
    wineHost.windows = {{kConsole, 22}};
    const std::optional<ConsoleFound> viaHost = findConsole(20, wineHost);
    ASSERT_TRUE(viaHost);
    EXPECT_EQ(viaHost->window, kConsole);
    EXPECT_EQ(viaHost->through, 21u);
    EXPECT_EQ(wineHost.attached, (std::vector<ProcessId>{20, 21}));  // no attach past the find

    Topology windows;
    windows.job = {{30, 31}};
    windows.attachable = {{31, kConsole}};
    windows.windows = {{kConsole, 31}};
    EXPECT_EQ(findConsole(30, windows)->through, 31u);

    // Where no process can be attached to (our own console could not be
    // let go, say), the window that reports a process of the job is taken.
    windows.attachable.clear();
    EXPECT_EQ(findConsole(30, windows)->window, kConsole);
    EXPECT_EQ(findConsole(30, windows)->through, 31u);
}

TEST(ConsoleLookup, NothingWhileThereIsNoConsoleOfTheRun) {
    // The client has already gone: on Windows the closing window still
    // reports it, but it is no longer a process of the job.
    Topology gone;
    gone.job = {{30}};
    gone.windows = {{kConsole, 31}, {kOther, 77}};
    EXPECT_FALSE(findConsole(30, gone));

    // No window yet: the client attaches, but its console has no window.
    Topology early;
    early.job = {{30, 31}};
    early.attachable = {{31, 0}};
    early.windows = {{kOther, 77}};
    EXPECT_FALSE(findConsole(30, early));
}

TEST(ConsoleLookup, WithoutAJobOnlyTheStartedProcessIsAsked) {
    Topology noJob;
    noJob.attachable = {{31, kConsole}};
    noJob.windows = {{kConsole, 31}};
    EXPECT_FALSE(findConsole(30, noJob));
    EXPECT_EQ(noJob.attached, std::vector<ProcessId>{30});
    noJob.attachable = {{30, kConsole}};
    EXPECT_EQ(findConsole(30, noJob)->window, kConsole);
}

}  // namespace
}  // namespace quill::test
