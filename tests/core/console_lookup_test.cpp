// Finding the run's console window in the process topologies that exist,
// each modelled as that system is documented or measured to answer.

#include <gtest/gtest.h>

#include <map>

#include "converter/console_lookup.h"

namespace quill::test {
namespace {

constexpr WindowHandle kConsole = 0x5000;

// What a system reports: the job's processes, each client with its
// console's window, the visible windows with their reported owners.
struct Model {
    std::optional<std::vector<ProcessId>> job;
    std::map<ProcessId, WindowHandle> attachable;
    std::vector<ConsoleReports::OwnedWindow> windows;
};

struct Topology final : ConsoleReports {
    explicit Topology(Model m) : model(std::move(m)) {}
    Model model;
    std::vector<ProcessId> asked;

    std::optional<std::vector<ProcessId>> jobProcesses() override { return model.job; }
    WindowHandle consoleWindowOf(ProcessId process) override {
        asked.push_back(process);
        return model.attachable.contains(process) ? model.attachable[process] : 0;
    }
    std::vector<OwnedWindow> visibleWindows() override { return model.windows; }
};

// Started 1; found through (window, process), or nothing (0, 0).
TEST(ConsoleLookup, Topologies) {
    const struct {
        const char* name;
        Model system;
        ConsoleFound expected;
    } cases[] = {
        // cmd.exe started: the window reports Wine's conhost (2).
        {"wine", {{{1, 2}}, {{1, kConsole}}, {{0x6000, 9}, {kConsole, 2}}}, {kConsole, 1}},
        // wineconsole.exe cmd.exe: neither the host (1) nor conhost (3) attach.
        {"wine host", {{{1, 2, 3}}, {{2, kConsole}}, {{kConsole, 3}}}, {kConsole, 2}},
        // conhost.exe cmd.exe: the window reports the first client (2).
        {"windows", {{{1, 2}}, {{2, kConsole}}, {{kConsole, 2}}}, {kConsole, 2}},
        {"windows, no attach", {{{1, 2}}, {}, {{kConsole, 2}}}, {kConsole, 2}},
        {"client gone", {{{1}}, {}, {{kConsole, 2}}}, {}},
        {"no window yet", {{{1, 2}}, {{2, 0}}, {}}, {}},
        {"no job", {std::nullopt, {{2, kConsole}}, {{kConsole, 2}}}, {}},
    };
    for (const auto& c : cases) {
        Topology system(c.system);
        const std::optional<ConsoleFound> found = findConsole(1, system);
        EXPECT_EQ(found ? found->window : 0, c.expected.window) << c.name;
        EXPECT_EQ(found ? found->through : 0, c.expected.through) << c.name;
    }
}

TEST(ConsoleLookup, AsksNoFurtherOnceFound) {
    Topology host({{{1, 2, 3}}, {{2, kConsole}, {3, kConsole}}, {}});
    ASSERT_TRUE(findConsole(1, host));
    EXPECT_EQ(host.asked, (std::vector<ProcessId>{1, 2}));
}

}  // namespace
}  // namespace quill::test
