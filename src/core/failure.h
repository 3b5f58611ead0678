#pragma once
// Run-time failures of the conversion procedures, and the 16-bit arithmetic
// that every count, index, position and length of the program follows.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quill {

enum class FailureKind {
    Overflow,         // a 16-bit result left -32,768 ... 32,767
    InvalidArgument,  // a string cut, a path too short to name, a list index out of range
    ListFull,         // a list would grow past 32,767 entries
    Platform,         // a platform operation failed (console, clipboard, keys)
    ConsoleLost,      // the run's console could not be made the foreground window
};

// Raised by a step of a procedure. The procedure that handles it stops that
// work quietly (a console run stops, a text is not loaded, a source is not
// fed); one that reaches the event handler ends it (Form1::runGuarded).
class RunFailure : public std::runtime_error {
public:
    RunFailure(FailureKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    [[nodiscard]] FailureKind kind() const noexcept { return kind_; }

private:
    FailureKind kind_;
};

// Raised once the window has been unloaded while a handler was yielding: the
// handler unwinds without touching the window again. Deliberately not a
// RunFailure, so no procedure's failure handler swallows it.
struct WindowUnloaded {};

// Narrows a value to the program's 16-bit signed integer, raising Overflow
// when it does not fit.
[[nodiscard]] inline std::int16_t to16(long long value) {
    if (value < INT16_MIN || value > INT16_MAX) {
        throw RunFailure(FailureKind::Overflow, "16-bit overflow");
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace quill
