#pragma once
// Every role of platform.h on Qt, for the window MainWindow and the program's
// own console ConsoleWindow: the window's texts and stacking, one instance
// through a lock file, the Qt event loop, a console per run that takes lines
// from the program only, files and the code page natively.

#include <QLockFile>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "console_window.h"
#include "hand_over.h"
#include "iconv_code_page.h"
#include "main_window.h"
#include "platform.h"

namespace quill::qt {

class QtPlatform final : public AllRoles {
public:
    // Where the program looks for itself; empty: where the system says.
    struct Folders {
        QString program;  // the converter's folder; default: the executable's
        QString runtime;  // where the instance lock lies; default: the user's runtime folder
    };
    static constexpr const char16_t* kLockName = u"quillmark.lock";

    // codePage: the ANSI code page texts are read and pages written in;
    // nullptr for UTF-8 (65001).
    QtPlatform(MainWindow& window, std::shared_ptr<const IconvCodePage> codePage,
               Folders folders = {});
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    // Has the converter start what it will need for these files (LibreOffice)
    // in the background, so that a press need not wait for it; never waits.
    void prepareConverter(const std::vector<std::u16string>& files);

    // Where files handed over by a later start go, once this instance holds
    // the program's lock.
    void takeHandedFiles(HandOverServer::Take take) { takeHandedFiles_ = std::move(take); }

    // closeAllWindows() has been called.
    [[nodiscard]] bool closed() const noexcept { return closed_; }
    // The console of the latest run, or nullptr.
    [[nodiscard]] ConsoleWindow* console() const noexcept;

    void setCaption(std::u16string_view text) override;
    void setText1(std::u16string_view text) override;
    void setCommand2Caption(std::u16string_view text) override;
    void setCommand2Enabled(bool enabled) override;
    void setCommand3Caption(std::u16string_view text) override;
    void setStacking(Stacking order) override;
    void setOuterSizeTwips(int width, int height) override;
    bool anotherInstanceRunning() override;
    std::u16string executableDirectory() override;
    char16_t directorySeparator() override { return u'/'; }
    void closeAllWindows() override;
    bool handToRunningInstance(const std::vector<std::u16string>& files) override;
    void doEvents() override;
    void sleep(std::uint32_t milliseconds) override;
    bool startConsole() override;
    ConsoleDialect consoleDialect() override { return ConsoleDialect::PosixShell; }
    // The console is the program's own and takes a line at once.
    ConsolePacing consolePacing() override { return {}; }
    std::vector<std::u16string> environmentNames() override;
    WindowHandle consoleWindow() override;
    // The console is at the front while it is open: lines go to it directly,
    // never to another program's window.
    void bringToFront(WindowHandle window) override;
    bool atFront(WindowHandle window) override;
    KeyDelivery pasteLine(std::u16string_view text, WindowHandle console) override;
    KeyDelivery pressEnter(WindowHandle console) override;
    bool leaveOnClipboard(std::u16string_view text) override;
    bool waitForConsoleExit(std::chrono::milliseconds limit) override;
    void endConsole(std::chrono::milliseconds limit) override;
    std::optional<FileBytes> readWholeFile(std::u16string_view path) override;
    std::unique_ptr<OutputFile> createFile(std::u16string_view path) override;
    FileTime now() override;
    std::optional<FileTime> lastWriteTime(std::u16string_view path) override;
    // In UTF-8 no byte is a lead byte: the core hands over the whole text
    // at once, and the page in pieces cut at ASCII characters only.
    std::uint32_t ansiCodePage() override { return codePage_ ? codePage_->codePage() : kUtf8; }
    LeadBytes ansiLeadBytes() override { return codePage_ ? codePage_->leadBytes() : LeadBytes{}; }
    void appendAnsiAsWide(std::string_view bytes, std::u16string& text) override;
    void wideToAnsi(std::u16string_view text, std::string& out) override;

private:
    static constexpr std::uint32_t kUtf8 = 65001;

    [[nodiscard]] QString runtimeFolder() const;
    // The latest run's console while it is open, or nullptr.
    [[nodiscard]] ConsoleWindow* openConsole() const noexcept;
    // Gives the latest run's console to give() if it is the one named and
    // still open; what became of it.
    template <typename Give>
    KeyDelivery deliverTo(WindowHandle console, Give give);
    // Runs events until done() holds or the limit has passed; done()'s last answer.
    template <typename Done>
    bool runEventsUntil(Done done, std::chrono::milliseconds limit);

    MainWindow& window_;
    std::shared_ptr<const IconvCodePage> codePage_;
    Folders folders_;
    std::optional<QLockFile> lock_;
    HandOverServer::Take takeHandedFiles_;
    std::optional<HandOverServer> handOverServer_;
    // Every console started, the latest last: one left running by an
    // earlier run stays open with what it runs.
    std::vector<std::unique_ptr<ConsoleWindow>> consoles_;
    bool closed_ = false;
};

// The code page of the locale's character set: nullptr (UTF-8) in a UTF-8
// locale, else Shift-JIS (932), the code page of a Japanese locale.
[[nodiscard]] std::shared_ptr<const IconvCodePage> localeCodePage();

}  // namespace quill::qt
