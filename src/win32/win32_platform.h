#pragma once
// The program's platform, every role of platform.h: the window's texts and
// stacking order, the program's lifecycle, the message loop, the console and
// keyboard, the clipboard, the foreground window, files and the ANSI code
// page, all through Win32.

#include <windows.h>

#include "console.h"
#include "platform.h"
#include "scoped.h"

namespace quill::win32 {

class MainWindow;

class Win32Platform final : public AllRoles {
public:
    // The name of the mutex that marks a running instance.
    static constexpr const wchar_t* kInstanceMutex = L"Local\\Quillmark.Form1";

    // consoleCommand: the command line that starts a run's console.
    Win32Platform(MainWindow& window, std::wstring consoleCommand)
        : window_(window), uiThread_(::GetCurrentThreadId()), console_(std::move(consoleCommand)) {}

    void setCaption(std::u16string_view text) override;
    void setText1(std::u16string_view text) override;
    void setCommand2Caption(std::u16string_view text) override;
    void setCommand2Enabled(bool enabled) override;
    void setStacking(Stacking order) override;
    void setOuterSizeTwips(int width, int height) override;
    bool anotherInstanceRunning() override;
    std::u16string executableDirectory() override;
    void closeAllWindows() override;
    void doEvents() override;
    void sleep(std::uint32_t milliseconds) override;
    bool startConsole() override;
    WindowHandle consoleWindow() override;
    bool waitForConsoleExit(std::chrono::milliseconds limit) override;
    void endConsole(std::chrono::milliseconds limit) override;
    std::vector<std::u16string> environmentNames() override;
    bool clearClipboard() override;
    bool putClipboardText(std::u16string_view text) override;
    KeyDelivery sendKeys(std::u16string_view keys, WindowHandle target) override;
    ConsoleDialect consoleDialect() override { return ConsoleDialect::Cmd; }
    // cmd.exe is another program's window: it is given time to come forward
    // before a paste, to take the pasted line, and before the Enter key.
    ConsolePacing consolePacing() override { return {1000, 500, 100}; }
    char16_t directorySeparator() override { return u'\\'; }
    WindowHandle foregroundWindow() override;
    ThreadId windowThread(WindowHandle window) override;
    ThreadId uiThread() override { return uiThread_; }
    void attachThreadInput(ThreadId from, ThreadId to, bool attach) override;
    std::uint32_t foregroundLockTimeout() override;
    void setForegroundLockTimeout(std::uint32_t milliseconds) override;
    void setForegroundWindow(WindowHandle window) override;
    std::optional<FileBytes> readWholeFile(std::u16string_view path) override;
    std::unique_ptr<OutputFile> createFile(std::u16string_view path) override;
    FileTime now() override;
    std::optional<FileTime> lastWriteTime(std::u16string_view path) override;
    std::uint32_t ansiCodePage() override { return ::GetACP(); }
    LeadBytes ansiLeadBytes() override;
    void appendAnsiAsWide(std::string_view bytes, std::u16string& text) override;
    void wideToAnsi(std::u16string_view text, std::string& out) override;

private:
    MainWindow& window_;
    DWORD uiThread_;
    Console console_;
    UniqueHandle instanceMutex_;
};

// The folder of a program file: without a trailing backslash, except at the
// root of a drive.
[[nodiscard]] std::u16string folderOf(std::u16string_view programPath);

}  // namespace quill::win32
