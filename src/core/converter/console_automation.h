#pragma once
// The console routine that both conversion runs use: one console per run,
// fed one converter command per queued source, pasted a line at a time,
// then told to exit. Keys go only to the run's
// own console: a run that cannot reach it stops and ends the console.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "event_pump.h"
#include "platform.h"
#include "state/program_state.h"

namespace quill {

// What sets the two conversion runs apart; the console conversation is the
// same in both.
struct ConsoleRunKind {
    // The HTML run takes the program folder afresh (fMyPath) into appDir
    // before it builds the command lines; the text-only run uses appDir as
    // it stands.
    std::optional<std::u16string> freshAppDir;
    // The HTML run records the expected text output of each source it feeds
    // in the output list, and then waits for the console to finish the
    // conversions, since its pages are made from those outputs next. The
    // text-only run records nothing and does not wait.
    bool recordOutputs = false;

    [[nodiscard]] static ConsoleRunKind html(std::u16string programFolder) {
        return {std::move(programFolder), true};
    }
    [[nodiscard]] static ConsoleRunKind textOnly() { return {std::nullopt, false}; }
};

// What a console run did with the source queue.
struct ConsoleRun {
    // What became of one queued source.
    struct Source {
        // Not fed because the console would change its command, or because
        // no text output can be named for it (HTML run only).
        bool refused = false;
        bool fed = false;  // its command was pasted
        // Its entry in the output list, recorded once it was fed (HTML run
        // only).
        std::optional<int> output;
        // Its text's last-write time when the run began.
        std::optional<FileTime> textBefore;
        bool ownText = false;  // the source is a text file: its own output
    };

    bool interrupted = false;     // it stopped before the console had been told to exit
    FileTime began{};             // when the run began, on the file clock
    std::vector<Source> sources;  // one per queued source, in queue order

    [[nodiscard]] int fed() const;
    [[nodiscard]] int refused() const;
    // Sources neither fed nor refused: those a stopped run did not feed.
    [[nodiscard]] int notFed() const;
};

class ConsoleAutomation {
public:
    // How long an HTML run waits for its console to finish the conversions
    // before it reads the text outputs anyway; also how long a stopped run
    // waits for the programs its console started.
    static constexpr std::chrono::milliseconds kConsoleExitLimit = std::chrono::minutes(10);
    // How long a run looks for its console's window, and waits for it to
    // become the foreground window, before it gives up.
    static constexpr std::uint32_t kConsoleSearchMs = 10000;
    static constexpr std::uint32_t kForegroundWaitMs = 3000;
    static constexpr std::uint32_t kPollMs = 50;

    ConsoleAutomation(ProgramState& state, EventPump& events, ConsoleChannel& console,
                      Files& files)
        : state_(state), events_(events), console_(console), files_(files) {}

    // Converts every source of the queue whose command the console would
    // not change. An empty queue starts no console. The queue itself is
    // left as it is.
    [[nodiscard]] ConsoleRun run(const ConsoleRunKind& kind);

private:
    // One queued source as the run treats it, decided before the console
    // starts, with the record of what became of it.
    struct PlannedSource {
        std::u16string command;
        std::u16string output;  // the output-list entry recorded once it is fed
        ConsoleRun::Source record;
    };

    [[nodiscard]] std::vector<PlannedSource> plan(bool recordOutputs);
    // False when the run stopped on the way.
    [[nodiscard]] bool feed(std::vector<PlannedSource>& sources, bool recordOutputs);
    void startConsole();
    void feedCommand(std::u16string_view commandLine);
    void closeConsole();
    void abandonConsole();
    // Waits for the console's window to be at the front; throws when it does
    // not come.
    void ensureConsoleAtFront();
    // Throws unless it was delivered.
    static void delivered(KeyDelivery delivery);

    ProgramState& state_;
    EventPump& events_;
    ConsoleChannel& console_;
    Files& files_;
    WindowHandle consoleWindow_ = 0;
};

}  // namespace quill
