#pragma once
// SIGINT, SIGTERM and SIGHUP (also sent when xdoc2txt's parent ends) end a
// conversion cleanly: the reader running is killed, the temporary files are
// removed, and xdoc2txt then dies of the same signal.

namespace xdoc2txt {

// Catches the signals above from now on; SIGPIPE is ignored, SIGCHLD has
// its default action.
void catchInterruptions();

// The signal that asked xdoc2txt to stop, or 0.
[[nodiscard]] int interruption() noexcept;

// Thrown where a wait notices an interruption; main unwinds and re-raises.
struct Interrupted {
    int signal;
};

// Throws Interrupted when a signal has asked xdoc2txt to stop.
void throwIfInterrupted();

// Dies of the signal, its default action restored.
[[noreturn]] void dieOf(int signal);

}  // namespace xdoc2txt
