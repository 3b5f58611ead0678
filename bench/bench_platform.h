#pragma once
// A platform for measuring the core alone: real files and the native code
// page, and a window, console, clipboard and keyboard that do nothing, but
// for a converter that leaves each pasted source's text as it is and only
// dates it anew.

#include "converter/naming.h"
#include "iconv_code_page.h"
#include "native_files.h"
#include "platform.h"

namespace quill::bench {

class BenchPlatform final : public Platform {
public:
    explicit BenchPlatform(std::uint32_t codePage = 932) : codePage_(codePage) {}

    void setCaption(std::u16string_view) override {}
    void setText1(std::u16string_view) override {}
    void setCommand2Caption(std::u16string_view) override {}
    void setCommand2Enabled(bool) override {}
    void setStacking(Stacking) override {}
    void setOuterSizeTwips(int, int) override {}
    bool anotherInstanceRunning() override { return false; }
    std::u16string executableDirectory() override { return u"/opt/quillmark"; }
    void closeAllWindows() override {}
    void doEvents() override {}
    void sleep(std::uint32_t) override {}
    bool startConsole() override { return true; }
    WindowHandle consoleWindow() override { return kConsole; }
    bool waitForConsoleExit(std::chrono::milliseconds) override { return true; }
    void endConsole(std::chrono::milliseconds) override {}
    std::vector<std::u16string> environmentNames() override { return {}; }
    bool clearClipboard() override { return true; }
    bool putClipboardText(std::u16string_view text) override {
        clipboard_ = text;
        return true;
    }
    KeyDelivery sendKeys(std::u16string_view keys, WindowHandle) override {
        // A pasted command: "<converter>" -f "<source>" CR LF.
        constexpr std::u16string_view kSource = u" -f \"";
        const std::size_t from = clipboard_.find(kSource);
        if (keys == u"% ep" && from != std::u16string::npos && clipboard_.size() >= from + 7) {
            const std::size_t start = from + kSource.size();
            const std::u16string source = clipboard_.substr(start, clipboard_.size() - 3 - start);
            (void)touchNativeFile(fTxtName(source));
        }
        return KeyDelivery::Delivered;
    }
    WindowHandle foregroundWindow() override { return kConsole; }
    ThreadId windowThread(WindowHandle) override { return 1; }
    ThreadId uiThread() override { return 1; }
    void attachThreadInput(ThreadId, ThreadId, bool) override {}
    std::uint32_t foregroundLockTimeout() override { return 0; }
    void setForegroundLockTimeout(std::uint32_t) override {}
    void setForegroundWindow(WindowHandle) override {}
    std::optional<FileBytes> readWholeFile(std::u16string_view path) override {
        return readWholeNativeFile(path);
    }
    std::unique_ptr<OutputFile> createFile(std::u16string_view path) override {
        return createNativeFile(path);
    }
    FileTime now() override { return nativeNow(); }
    std::optional<FileTime> lastWriteTime(std::u16string_view path) override {
        return nativeLastWriteTime(path);
    }
    std::uint32_t ansiCodePage() override { return codePage_.codePage(); }
    LeadBytes ansiLeadBytes() override { return codePage_.leadBytes(); }
    void appendAnsiAsWide(std::string_view bytes, std::u16string& text) override {
        codePage_.appendWide(bytes, text);
    }
    void wideToAnsi(std::u16string_view text, std::string& out) override {
        codePage_.toAnsi(text, out);
    }

private:
    static constexpr WindowHandle kConsole = 1;
    IconvCodePage codePage_;
    std::u16string clipboard_;
};

}  // namespace quill::bench
