// Test-side plumbing for the end-to-end tests: folders, processes, console
// windows, synthetic keys.
#pragma once

#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "win_raii.h"

namespace quill::e2e::test {

// Generous limit for anything that normally takes well under a second.
inline constexpr DWORD kPatience = 20000;

// A new folder under the user's temp folder, removed with its contents.
class TempDir {
public:
    explicit TempDir(std::wstring_view name);
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    [[nodiscard]] const std::wstring& path() const { return path_; }
    // path() + "\" + name, created as a folder.
    [[nodiscard]] std::wstring subdir(std::wstring_view name) const;

private:
    std::wstring path_;
};

class Process {
public:
    Process() = default;
    Process(HANDLE process, DWORD pid) : handle_(process), pid_(pid) {}
    [[nodiscard]] DWORD pid() const { return pid_; }
    [[nodiscard]] HANDLE handle() const { return handle_.get(); }
    [[nodiscard]] bool valid() const { return static_cast<bool>(handle_); }
    // The exit code, or nullopt if it still runs after timeoutMs.
    [[nodiscard]] std::optional<DWORD> wait(DWORD timeoutMs = kPatience) const;
    // Ends it if it still runs.
    void kill() const;

private:
    UniqueHandle handle_;
    DWORD pid_ = 0;
};

enum class Console {
    inherit,  // share the test's console (or none)
    none,     // a console program without a console window
    own,      // a new console window, shown normally
    detached  // no console at all, as a program started from the desktop
};

// Starts commandLine; ADD_FAILURE and an invalid Process when it cannot.
[[nodiscard]] Process start(const std::wstring& commandLine, Console console,
                            const std::wstring& cwd = {});
// Runs commandLine and returns its exit code (nullopt: did not start or end).
[[nodiscard]] std::optional<DWORD> run(const std::wstring& commandLine, Console console,
                                       DWORD timeoutMs = kPatience);

// The command Quillmark pastes for a source: "<folder>\xdoc2txt" -f "<source>".
[[nodiscard]] std::wstring converterCommand(const std::wstring& folder,
                                             const std::wstring& source);
// cmd.exe running one command line, as "cmd /c" (quotes kept as they are).
[[nodiscard]] std::wstring cmdC(const std::wstring& command);

// Path of a program built beside this test.
[[nodiscard]] std::wstring helperPath(std::wstring_view exeName);

// Under Wine, starts paste_helper, logging to log, and waits until its hook is
// in place; ADD_FAILURE and an invalid Process when it does not get ready.
// Elsewhere starts nothing and returns an invalid Process: Windows' console
// has its own Edit > Paste.
[[nodiscard]] Process startPasteHelper(const std::wstring& log);
// Asks a started paste_helper to stop and expects it to end cleanly.
void stopPasteHelper(Process& helper);

// Visible console windows now on screen.
[[nodiscard]] std::set<HWND> consoleWindows();
// Waits for a console window that is not in `before`.
[[nodiscard]] HWND waitForNewConsole(const std::set<HWND>& before, DWORD timeoutMs = kPatience);
// Brings hwnd to the foreground and waits until it is there.
[[nodiscard]] bool bringToForeground(HWND hwnd, DWORD timeoutMs = kPatience);

// A hidden window of the test thread to own the clipboard: with no owner,
// SetClipboardData after EmptyClipboard fails on Windows.
[[nodiscard]] HWND clipboardOwner();
[[nodiscard]] bool putOnClipboard(const std::wstring& text);

// Synthetic keys through SendInput, as Quillmark sends them.
void sendAltSpaceEP();
void sendEnter();

// Text in code page 932 (Shift-JIS).
[[nodiscard]] std::string cp932(std::wstring_view text);
[[nodiscard]] std::vector<std::wstring> readUtf8Lines(const std::wstring& path);
[[nodiscard]] bool fileExists(const std::wstring& path);
// Names of the files and folders in a folder.
[[nodiscard]] std::set<std::wstring> fileNames(const std::wstring& folder);
// The Unix path that Wine gives a Windows path (empty when it gives none).
[[nodiscard]] std::string wineUnixPath(const std::wstring& path);

}  // namespace quill::e2e::test
