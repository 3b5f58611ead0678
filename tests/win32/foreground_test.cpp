// Foreground forcing over a model of Windows' documented foreground rules,
// which Wine does not have.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "foreground.h"

namespace quill::win32 {
namespace {

// SetForegroundWindow succeeds only for a thread that may set the foreground:
// the foreground window's own thread or one attached to its input, the one
// that received the last input event, any when there is no foreground window,
// or once the foreground lock time-out has run out (at once when it is 0).
// SPI_SETFOREGROUNDLOCKTIMEOUT succeeds only for a thread that may set the
// foreground too. AttachThreadInput fails for a thread without an input
// queue, for a thread and itself, and for no thread.
class WindowsForeground final : public ForegroundCalls {
public:
    static constexpr DWORD kOwn = 11, kConsoleShell = 22, kOther = 33;
    HWND own = window(1), console = window(2), other = window(3);
    std::map<HWND, DWORD> threads{{own, kOwn}, {console, kConsoleShell}, {other, kOther}};
    std::set<DWORD> noInputQueue{kConsoleShell};  // cmd.exe's input is its console host's
    HWND foreground = other;
    DWORD lastInput = kOther;
    DWORD userLockTimeout = 200000;
    bool lockReadable = true;
    std::set<std::pair<DWORD, DWORD>> attached;

    HWND foregroundWindow() override { return foreground; }
    DWORD windowThread(HWND window) override {
        const auto found = threads.find(window);
        return found == threads.end() ? 0 : found->second;
    }
    void attachThreadInput(DWORD from, DWORD to, bool attach) override {
        if (from == to || to == 0 || noInputQueue.contains(to)) return;
        if (attach) {
            attached.insert({from, to});
        } else {
            attached.erase({from, to});
        }
    }
    std::optional<DWORD> lockTimeout() override {
        if (!lockReadable) return std::nullopt;
        return userLockTimeout;
    }
    void setLockTimeout(DWORD milliseconds) override {
        if (maySetForeground()) userLockTimeout = milliseconds;
    }
    void setForegroundWindow(HWND window) override {
        if (maySetForeground()) foreground = window;
    }

private:
    static HWND window(std::uintptr_t n) { return reinterpret_cast<HWND>(n); }
    bool maySetForeground() const {
        const DWORD front = threads.contains(foreground) ? threads.at(foreground) : 0;
        return foreground == nullptr || front == kOwn || attached.contains({kOwn, front}) ||
               lastInput == kOwn || userLockTimeout == 0;
    }
};

// What the user sees after each request: the window in front, their lock
// time-out as they set it, and no other program's input tied to the
// program's.
TEST(ForegroundForcing, BringsTheWindowForwardAndLeavesTheSystemAsItWas) {
    // Another program has the front and the last input: only the attach
    // lets the program lower the lock and bring the console forward.
    WindowsForeground system;
    forceForeground(system, WindowsForeground::kOwn, system.console);
    EXPECT_EQ(system.foreground, system.console);
    EXPECT_EQ(system.userLockTimeout, 200000u);
    EXPECT_TRUE(system.attached.empty());

    // The console's shell has the front and cannot be attached to: the user
    // clicked the start button last, so the request lands all the same.
    system.foreground = system.console;
    system.lastInput = WindowsForeground::kOwn;
    forceForeground(system, WindowsForeground::kOwn, system.console);
    EXPECT_EQ(system.foreground, system.console);
    EXPECT_EQ(system.userLockTimeout, 200000u);

    // The program's own window in front, and no window in front at all.
    system.lastInput = WindowsForeground::kOther;
    system.foreground = system.own;
    forceForeground(system, WindowsForeground::kOwn, system.console);
    EXPECT_EQ(system.foreground, system.console);
    system.foreground = nullptr;
    forceForeground(system, WindowsForeground::kOwn, system.console);
    EXPECT_EQ(system.foreground, system.console);
    EXPECT_EQ(system.userLockTimeout, 200000u);
    EXPECT_TRUE(system.attached.empty());
}

// A time-out that cannot be read is not replaced by 0 for every program.
TEST(ForegroundForcing, AnUnreadableLockTimeoutIsLeftAlone) {
    WindowsForeground system;
    system.lockReadable = false;
    forceForeground(system, WindowsForeground::kOwn, system.console);
    EXPECT_EQ(system.foreground, system.console);
    EXPECT_EQ(system.userLockTimeout, 200000u);
    EXPECT_TRUE(system.attached.empty());
}

}  // namespace
}  // namespace quill::win32
