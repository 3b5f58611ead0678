#pragma once
// Everything the program asks of the operating system, in roles. The core
// calls only these interfaces; the Windows shell implements them with Win32
// calls, the Linux shell with Qt, the tests with a recording fake, the
// benchmark with native files.

#include <bitset>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

using WindowHandle = std::uintptr_t;  // 0: no window
// The bytes that start a two-byte character of a double-byte code page; none
// in a single-byte one.
using LeadBytes = std::bitset<256>;

// A moment on the clock that file times are kept in: 100-nanosecond units
// since an epoch of the platform's choosing (1601 on Windows, 1970 on POSIX
// systems).
using FileTime = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;

// What became of a line or a key given to the console.
enum class KeyDelivery {
    Delivered,       // it reached the console
    ForegroundLost,  // another window took the front while it went out: no
                     // key press reached that window, only releases of keys
                     // already pressed
    Failed,          // it could not be given (no clipboard, no keys)
};

// The shell that runs the console's commands, which decides how a command
// line is written and whether the shell rewrites any of it.
enum class ConsoleDialect {
    Cmd,         // cmd.exe: double quotes, CR LF, %NAME% expanded
    PosixShell,  // /bin/sh: single quotes, LF, nothing expanded inside them
};

// The pauses of a run around each command it pastes into the console. A
// console the program does not own (cmd.exe) needs them to catch up; one of
// the program's own takes a line at once and needs none.
struct ConsolePacing {
    std::uint32_t beforePasteMs = 0;
    std::uint32_t afterPasteMs = 0;
    std::uint32_t beforeEnterMs = 0;
};

enum class Stacking {
    Topmost,  // above every window that is not topmost
    Bottom,   // at the bottom of the stacking order, and no longer topmost
};

// The bytes of a whole file, held in whatever way the platform read them.
class FileBytes {
public:
    FileBytes(std::string_view bytes, std::shared_ptr<const void> owner)
        : bytes_(bytes), owner_(std::move(owner)) {}
    explicit FileBytes(std::string bytes) {
        auto owned = std::make_shared<const std::string>(std::move(bytes));
        bytes_ = *owned;
        owner_ = std::move(owned);
    }
    [[nodiscard]] std::string_view view() const noexcept { return bytes_; }

private:
    std::string_view bytes_;
    std::shared_ptr<const void> owner_;
};

// A file written whole or not at all: until close() succeeds, an earlier file
// of its name stays as it was. Destroyed unclosed, or closed after a write
// failed, it is discarded.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    [[nodiscard]] virtual bool write(std::string_view bytes) = 0;
    // Flushes and puts the file in its place; false when anything written
    // could not be stored (the file is then discarded).
    [[nodiscard]] virtual bool close() = 0;
};

// The roles below are what the core asks of the system, each a small
// interface that a consumer takes alone: the window's view, the program's
// lifecycle, the event loop, the console, files and the ANSI code page. A
// shell implements the roles it serves, one class possibly several.

// The window and its buttons and prompt box.
class WindowView {
public:
    virtual ~WindowView() = default;
    virtual void setCaption(std::u16string_view text) = 0;
    virtual void setText1(std::u16string_view text) = 0;
    virtual void setCommand2Caption(std::u16string_view text) = 0;
    virtual void setCommand2Enabled(bool enabled) = 0;
    virtual void setCommand3Caption(std::u16string_view text) = 0;
    virtual void setStacking(Stacking order) = 0;
    virtual void setOuterSizeTwips(int width, int height) = 0;
};

// The program as a whole: one instance at a time, its folder, its end.
class Lifecycle {
public:
    virtual ~Lifecycle() = default;
    [[nodiscard]] virtual bool anotherInstanceRunning() = 0;
    // The folder of the program's executable, as the system reports it: no
    // trailing separator unless it is the root.
    [[nodiscard]] virtual std::u16string executableDirectory() = 0;
    // The character that separates a path's folders: '\\' on Windows, '/'
    // on POSIX systems.
    [[nodiscard]] virtual char16_t directorySeparator() = 0;
    // Closes every window of the program; the program ends once none is left.
    virtual void closeAllWindows() = 0;
    // Hands files named on this start's command line to the instance already
    // running, which takes them as a drop on its window; false when none
    // could be reached or it did not take them.
    [[nodiscard]] virtual bool handToRunningInstance(const std::vector<std::u16string>& files) = 0;
};

// The message loop and time. Both keep the window responsive: pending window
// events may run inside them.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    virtual void doEvents() = 0;
    virtual void sleep(std::uint32_t milliseconds) = 0;
};

// The console of the current run, a window that runs each line pasted into
// it. A run starts it, finds its window, brings that to the front, pastes
// one line per command and then "exit" with the Enter key, and waits for it
// to end; the console says which shell runs the lines and how a run paces
// what it pastes. Only the run's own console ever receives a line.
class ConsoleChannel {
public:
    virtual ~ConsoleChannel() = default;
    // Starts the console (a normal window that is activated); returns at once.
    [[nodiscard]] virtual bool startConsole() = 0;
    // The shell that the console runs its commands with.
    [[nodiscard]] virtual ConsoleDialect consoleDialect() = 0;
    // How a run paces what it pastes into this console.
    [[nodiscard]] virtual ConsolePacing consolePacing() = 0;
    // The names of the variables in the program's environment, which the
    // console inherits.
    [[nodiscard]] virtual std::vector<std::u16string> environmentNames() = 0;
    // The console's window, or 0 while it is not (yet) there.
    [[nodiscard]] virtual WindowHandle consoleWindow() = 0;
    // Asks for the window to become the front window, where pasted lines and
    // keys go, even where the system would refuse a plain request. Nothing is
    // reported: atFront tells whether it has come.
    virtual void bringToFront(WindowHandle window) = 0;
    [[nodiscard]] virtual bool atFront(WindowHandle window) = 0;
    // Pastes the text into the console, whose window is at the front; the
    // system clipboard then holds the text. Returns once the console has
    // taken it.
    [[nodiscard]] virtual KeyDelivery pasteLine(std::u16string_view text, WindowHandle console) = 0;
    // Presses Enter in the console, whose window is at the front.
    [[nodiscard]] virtual KeyDelivery pressEnter(WindowHandle console) = 0;
    // Leaves the text on the system clipboard, as a paste of it would.
    [[nodiscard]] virtual bool leaveOnClipboard(std::u16string_view text) = 0;
    // Waits, keeping the window responsive, until the console process has
    // ended (true) or the limit has passed (false).
    [[nodiscard]] virtual bool waitForConsoleExit(std::chrono::milliseconds limit) = 0;
    // Ends the console process at once, if one was started; then waits,
    // keeping the window responsive, until the programs it started (a
    // converter at work) have ended too, or the limit has passed.
    virtual void endConsole(std::chrono::milliseconds limit) = 0;
};

class Files {
public:
    virtual ~Files() = default;
    // A regular file (not a FIFO, device or folder), read whole; nothing when
    // it is not one or cannot be read.
    [[nodiscard]] virtual std::optional<FileBytes> readWholeFile(std::u16string_view path) = 0;
    // A new file that takes the path's place once closed (a link there is
    // replaced, never written through); nullptr when it cannot be made, or
    // the path is a folder or a read-only file.
    [[nodiscard]] virtual std::unique_ptr<OutputFile> createFile(std::u16string_view path) = 0;
    // The time now, and the time a file was last written, on the same clock;
    // nothing for a file that is not there.
    [[nodiscard]] virtual FileTime now() = 0;
    [[nodiscard]] virtual std::optional<FileTime> lastWriteTime(std::u16string_view path) = 0;
};

// The system's ANSI code page and conversions through it. Characters that the
// code page cannot hold are replaced, never an error.
class CodePage {
public:
    virtual ~CodePage() = default;
    [[nodiscard]] virtual std::uint32_t ansiCodePage() = 0;
    [[nodiscard]] virtual LeadBytes ansiLeadBytes() = 0;
    // Appends the decoded bytes to text. The core hands over whole characters
    // only: every lead byte that starts a character comes with a byte that
    // can trail it (see html/ansi_decoding.h, which decodes the rest).
    virtual void appendAnsiAsWide(std::string_view bytes, std::u16string& text) = 0;
    // Appends the encoded text to out.
    virtual void wideToAnsi(std::u16string_view text, std::string& out) = 0;
};

// Every role in one: the base of a shell that serves them all with one
// object. The core's work takes the roles one by one, never this; only Form1
// may be given it, to take each role from it.
class AllRoles : public WindowView,
                 public Lifecycle,
                 public EventLoop,
                 public ConsoleChannel,
                 public Files,
                 public CodePage {};

}  // namespace quill
