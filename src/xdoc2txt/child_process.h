#pragma once
// Runs a reader as a child process: an argument vector (no shell), its own
// process group, its standard output and error captured, a time limit after
// which the whole group is killed; confined to what its view shows, in the
// sandbox (sandbox.h), unless that is turned off.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "sandbox_view.h"

namespace xdoc2txt {

class Sandbox;

struct Command {
    std::string program;              // the executable file
    std::vector<std::string> args;    // the arguments after the program's name
    std::string input = "/dev/null";  // opened as standard input
    std::chrono::milliseconds timeLimit{std::chrono::seconds(120)};
    SandboxView view{};               // what it sees when confined: ProcessRunner::view()
    int inputFd = -1;                 // standard input instead of `input`, when set
    std::vector<int> passed{};        // descriptors it gets as 3, 4, ... in this order
};

struct ProcessResult {
    enum class End { kExited, kSignaled, kTimedOut, kTooMuchOutput, kNotStarted };
    End end = End::kNotStarted;
    int code = 0;  // the exit status, the signal, or the error that kept it from starting
    std::string out;
    std::string err;

    [[nodiscard]] bool succeeded() const { return end == End::kExited && code == 0; }
    // Why it failed, for the error line: "exited with status 1: <its last
    // line on standard error>", "timed out after 120 s", ...
    [[nodiscard]] std::string failure(std::chrono::milliseconds timeLimit) const;
};

class ProcessRunner {
public:
    // Commands are confined to their views in the sandbox, unless there is
    // none (the readers then run unconfined, in this environment).
    explicit ProcessRunner(std::vector<std::string> environment,
                           const Sandbox* sandbox = nullptr);

    // An empty view for a command, which gives sandbox or host paths as
    // commands are confined or not.
    [[nodiscard]] SandboxView view() const { return SandboxView(sandbox_ != nullptr); }
    [[nodiscard]] const Sandbox* sandbox() const { return sandbox_; }

    // Runs the command to its end, its time limit, or an interruption
    // (which kills it and throws Interrupted). Stray processes it left in
    // its group are killed when it ends. A command whose sandbox could not
    // be set up throws Failure (ExitCode::kNoSandbox).
    [[nodiscard]] ProcessResult run(const Command& command) const;

private:
    [[nodiscard]] ProcessResult spawn(const Command& command) const;

    std::vector<std::string> environment_;
    const Sandbox* sandbox_;
};

// The time from now to the deadline, for a time limit: at least 1 ms.
[[nodiscard]] std::chrono::milliseconds timeLeft(std::chrono::steady_clock::time_point deadline);

// The last line of a reader's standard error that holds text, cut to a
// length that suits one line of an error message.
[[nodiscard]] std::string lastLine(std::string_view text);

}  // namespace xdoc2txt
