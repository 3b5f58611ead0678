#pragma once
// A recording platform that serves every role: every call the core makes is
// logged as one line of UTF-8 text; files live in memory; window events can be
// injected into the yields and sleeps, as a real message loop would deliver
// them.

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "iconv_code_page.h"
#include "platform.h"

namespace quill::test {

std::string utf8(std::u16string_view text);

class FakePlatform : public AllRoles {
public:
    static constexpr WindowHandle kOwnWindow = 0x100;
    static constexpr WindowHandle kConsole = 0x200;
    static constexpr WindowHandle kOtherWindow = 0x300;

    explicit FakePlatform(std::uint32_t codePage = 932)
        : FakePlatform(std::make_shared<const IconvCodePage>(codePage)) {}
    // A code page's tables take a while to build: many platforms may share one.
    explicit FakePlatform(std::shared_ptr<const IconvCodePage> codePage)
        : codePage_(std::move(codePage)) {}

    // Configuration.
    bool otherInstance = false;
    bool runningInstanceTakesFiles = true;
    std::u16string exeDir = u"C:\\Tools\\Convert";
    char16_t separator = u'\\';
    ConsoleDialect dialect = ConsoleDialect::Cmd;
    ConsolePacing pacing{1000, 500, 100};  // as cmd.exe is paced
    bool consoleStarts = true;
    int consoleWindowAfterPolls = 0;  // consoleWindow() answers 0 this many times
    bool consoleTakesForeground = true;
    bool consoleExits = true;
    bool clipboardWorks = true;
    int foregroundLostAtKeys = 0;  // this paste or Enter (from 1) finds another window in front
    bool keysFail = false;
    std::vector<std::u16string> environment{u"OS", u"Path", u"windir", u"TEMP"};
    FileTime clock = std::chrono::hours(1000);
    std::map<std::u16string, FileTime> fileTimes;  // a file without one was written just now
    std::function<void(std::u16string_view pasted)> onPaste;  // the console runs a pasted text
    std::set<std::u16string> uncreatable;                     // createFile fails for these
    std::map<std::u16string, std::size_t> writeLimit;         // bytes a file takes before failing
    std::function<void()> onPump;          // runs inside every doEvents and sleep
    std::set<std::u16string> outOfMemory;  // readWholeFile throws std::bad_alloc for these

    // Observed state.
    std::vector<std::string> log;
    int keyCalls = 0;
    std::uint64_t sleptMs = 0;  // the time sleep() has passed
    bool consoleRunning = false;
    std::map<std::u16string, std::string> files;
    std::u16string caption = u"Quillmark";
    std::u16string text1;
    std::u16string command2Caption;
    std::u16string command3Caption;
    bool command2Enabled = false;
    bool topmost = false;
    std::u16string clipboard;
    WindowHandle foreground = kOwnWindow;
    int exeDirCalls = 0;
    int closeAllCalls = 0;

    // The log lines that start with one of the prefixes.
    [[nodiscard]] std::vector<std::string> calls(std::initializer_list<std::string> prefixes) const;
    [[nodiscard]] int count(const std::string& line) const;

    void setCaption(std::u16string_view text) override;
    void setText1(std::u16string_view text) override;
    void setCommand2Caption(std::u16string_view text) override;
    void setCommand2Enabled(bool enabled) override;
    void setCommand3Caption(std::u16string_view text) override;
    void setStacking(Stacking order) override;
    void setOuterSizeTwips(int width, int height) override;
    bool anotherInstanceRunning() override { return otherInstance; }
    std::u16string executableDirectory() override;
    char16_t directorySeparator() override { return separator; }
    void closeAllWindows() override;
    bool handToRunningInstance(const std::vector<std::u16string>& files) override;
    void doEvents() override;
    void sleep(std::uint32_t milliseconds) override;
    bool startConsole() override;
    ConsoleDialect consoleDialect() override { return dialect; }
    ConsolePacing consolePacing() override { return pacing; }
    std::vector<std::u16string> environmentNames() override { return environment; }
    WindowHandle consoleWindow() override;
    void bringToFront(WindowHandle window) override;
    bool atFront(WindowHandle window) override { return foreground == window; }
    KeyDelivery pasteLine(std::u16string_view text, WindowHandle console) override;
    KeyDelivery pressEnter(WindowHandle console) override;
    bool leaveOnClipboard(std::u16string_view text) override;
    bool waitForConsoleExit(std::chrono::milliseconds limit) override;
    void endConsole(std::chrono::milliseconds limit) override;
    std::optional<FileBytes> readWholeFile(std::u16string_view path) override;
    std::unique_ptr<OutputFile> createFile(std::u16string_view path) override;
    FileTime now() override { return clock; }
    std::optional<FileTime> lastWriteTime(std::u16string_view path) override;
    [[nodiscard]] const IconvCodePage& codePage() const noexcept { return *codePage_; }

    std::uint32_t ansiCodePage() override { return codePage_->codePage(); }
    LeadBytes ansiLeadBytes() override { return codePage_->leadBytes(); }
    // Throws std::logic_error when the bytes hold a broken lead byte, which
    // the core keeps from the platform.
    void appendAnsiAsWide(std::string_view bytes, std::u16string& text) override;
    void wideToAnsi(std::u16string_view text, std::string& out) override {
        codePage_->toAnsi(text, out);
    }

private:
    void pump();
    // One paste or Enter: logged as what, with how it went.
    KeyDelivery deliver(const std::string& what, WindowHandle console);
    void consoleGone();

    std::shared_ptr<const IconvCodePage> codePage_;
    bool consoleStarted_ = false;
    int consolePolls_ = 0;
};

}  // namespace quill::test
