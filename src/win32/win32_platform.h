#pragma once
// The program's platform, every role of platform.h: the window's texts and
// stacking order, the program's lifecycle, the message loop, the console (its
// process, window, the clipboard and keys that feed it, the foreground
// window), files and the ANSI code page, all through Win32.

#include <windows.h>

#include "console.h"
#include "foreground.h"
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
    void setCommand3Caption(std::u16string_view text) override;
    void setStacking(Stacking order) override;
    void setOuterSizeTwips(int width, int height) override;
    bool anotherInstanceRunning() override;
    std::u16string executableDirectory() override;
    void closeAllWindows() override;
    bool handToRunningInstance(const std::vector<std::u16string>& files) override;
    void doEvents() override;
    void sleep(std::uint32_t milliseconds) override;
    bool startConsole() override;
    ConsoleDialect consoleDialect() override { return ConsoleDialect::Cmd; }
    // cmd.exe is another program's window: it is given time to come forward
    // before a paste, to take the pasted line, and before the Enter key.
    ConsolePacing consolePacing() override { return {1000, 500, 100}; }
    std::vector<std::u16string> environmentNames() override;
    WindowHandle consoleWindow() override;
    // Past the foreground lock (forceForeground).
    void bringToFront(WindowHandle window) override;
    bool atFront(WindowHandle window) override;
    // Through the clipboard and the console's window menu (Alt+Space, E, P:
    // Edit > Paste), the keys held back from any other window.
    KeyDelivery pasteLine(std::u16string_view text, WindowHandle console) override;
    KeyDelivery pressEnter(WindowHandle console) override;
    bool leaveOnClipboard(std::u16string_view text) override;
    bool waitForConsoleExit(std::chrono::milliseconds limit) override;
    void endConsole(std::chrono::milliseconds limit) override;
    char16_t directorySeparator() override { return u'\\'; }
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
    User32Foreground foreground_;
    UniqueHandle instanceMutex_;
};

// The folder of a program file: without a trailing backslash, except at the
// root of a drive.
[[nodiscard]] std::u16string folderOf(std::u16string_view programPath);

}  // namespace quill::win32
