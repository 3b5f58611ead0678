#include "fake_platform.h"

#include <new>
#include <stdexcept>

#include "ansi_reference.h"
#include "native_files.h"

namespace quill::test {

std::string utf8(std::u16string_view text) {
    return toUtf8(text);
}

namespace {
// Line breaks are shown as \r and \n, so that a log line stays one line.
std::string visible(std::u16string_view text) {
    std::string out;
    for (char c : utf8(text)) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Takes its place in the map once closed, unless a write failed.
class MemoryFile final : public OutputFile {
public:
    MemoryFile(std::string& place, std::size_t limit) : place_(place), limit_(limit) {}
    bool write(std::string_view bytes) override {
        failed_ = failed_ || contents_.size() + bytes.size() > limit_;
        if (!failed_) contents_ += bytes;
        return !failed_;
    }
    bool close() override {
        if (!failed_) place_ = std::move(contents_);
        return !failed_;
    }

private:
    std::string& place_;
    std::string contents_;
    std::size_t limit_;
    bool failed_ = false;
};
}  // namespace

std::vector<std::string> FakePlatform::calls(std::initializer_list<std::string> prefixes) const {
    std::vector<std::string> found;
    for (const std::string& line : log) {
        for (const std::string& prefix : prefixes) {
            if (line.compare(0, prefix.size(), prefix) == 0) {
                found.push_back(line);
                break;
            }
        }
    }
    return found;
}

int FakePlatform::count(const std::string& line) const {
    int n = 0;
    for (const std::string& entry : log) n += entry == line ? 1 : 0;
    return n;
}

void FakePlatform::setCaption(std::u16string_view text) {
    caption = text;
    log.push_back("caption " + utf8(text));
}

void FakePlatform::setText1(std::u16string_view text) {
    text1 = text;
    log.push_back("text1 " + utf8(text));
}

void FakePlatform::setCommand2Caption(std::u16string_view text) {
    command2Caption = text;
    log.push_back("command2 " + utf8(text));
}

void FakePlatform::setCommand3Caption(std::u16string_view text) {
    command3Caption = text;
    log.push_back("command3 " + utf8(text));
}

void FakePlatform::setCommand2Enabled(bool enabled) {
    command2Enabled = enabled;
    log.push_back(enabled ? "enable" : "disable");
}

void FakePlatform::setStacking(Stacking order) {
    topmost = order == Stacking::Topmost;
    log.push_back(topmost ? "topmost" : "bottom");
}

void FakePlatform::setOuterSizeTwips(int width, int height) {
    log.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
}

std::u16string FakePlatform::executableDirectory() {
    ++exeDirCalls;
    return exeDir;
}

void FakePlatform::closeAllWindows() {
    ++closeAllCalls;
    log.push_back("closeAll");
}

bool FakePlatform::handToRunningInstance(const std::vector<std::u16string>& handed) {
    std::string line = "handOver";
    for (const std::u16string& file : handed) {
        line += ' ';
        line += utf8(file);
    }
    log.push_back(line);
    return runningInstanceTakesFiles;
}

void FakePlatform::pump() {
    if (onPump) {
        // An event handler must not re-run itself through a nested pump.
        auto handler = std::move(onPump);
        handler();
        if (!onPump) onPump = std::move(handler);
    }
}

void FakePlatform::consoleGone() {
    consoleRunning = false;
    if (foreground == kConsole) foreground = kOwnWindow;
}

void FakePlatform::doEvents() {
    log.push_back("yield");
    pump();
}

void FakePlatform::sleep(std::uint32_t milliseconds) {
    log.push_back("sleep " + std::to_string(milliseconds));
    sleptMs += milliseconds;
    pump();
}

bool FakePlatform::startConsole() {
    log.push_back("startConsole");
    consoleStarted_ = consoleStarts;
    consoleRunning = consoleStarts;
    consolePolls_ = 0;
    if (consoleStarted_ && consoleTakesForeground) foreground = kConsole;
    return consoleStarts;
}

WindowHandle FakePlatform::consoleWindow() {
    if (!consoleStarted_) return 0;
    return consolePolls_++ < consoleWindowAfterPolls ? 0 : kConsole;
}

bool FakePlatform::waitForConsoleExit(std::chrono::milliseconds limit) {
    log.push_back("waitConsole " + std::to_string(limit.count()));
    pump();
    if (consoleExits) consoleGone();
    return consoleExits;
}

void FakePlatform::endConsole(std::chrono::milliseconds limit) {
    log.push_back("endConsole " + std::to_string(limit.count()));
    consoleGone();
    pump();
}

void FakePlatform::bringToFront(WindowHandle window) {
    log.push_back("bringToFront " + std::to_string(window));
    if (window != kConsole || consoleTakesForeground) foreground = window;
}

KeyDelivery FakePlatform::deliver(const std::string& what, WindowHandle console) {
    ++keyCalls;
    if (keysFail) {
        log.push_back(what + " (failed)");
        return KeyDelivery::Failed;
    }
    if (keyCalls == foregroundLostAtKeys) {
        foreground = kOtherWindow;
        log.push_back(what + " (foreground lost)");
        return KeyDelivery::ForegroundLost;
    }
    log.push_back(what + (foreground == console ? "" : " (not to the console)"));
    return KeyDelivery::Delivered;
}

KeyDelivery FakePlatform::pasteLine(std::u16string_view text, WindowHandle console) {
    if (!clipboardWorks) {
        log.push_back("clipboard failed: " + visible(text));
        return KeyDelivery::Failed;
    }
    clipboard = text;
    const KeyDelivery delivery = deliver("paste " + visible(text), console);
    if (delivery == KeyDelivery::Delivered && onPaste) onPaste(clipboard);
    return delivery;
}

KeyDelivery FakePlatform::pressEnter(WindowHandle console) {
    return deliver("enter", console);
}

bool FakePlatform::leaveOnClipboard(std::u16string_view text) {
    log.push_back("clipboard " + visible(text));
    if (clipboardWorks) clipboard = text;
    return clipboardWorks;
}

std::optional<FileBytes> FakePlatform::readWholeFile(std::u16string_view path) {
    log.push_back("read " + utf8(path));
    if (outOfMemory.count(std::u16string(path)) != 0) throw std::bad_alloc();
    const auto found = files.find(std::u16string(path));
    if (found == files.end()) return std::nullopt;
    return FileBytes(found->second);
}

std::optional<FileTime> FakePlatform::lastWriteTime(std::u16string_view path) {
    const std::u16string key(path);
    if (files.count(key) == 0) return std::nullopt;
    const auto time = fileTimes.find(key);
    return time == fileTimes.end() ? clock : time->second;
}

std::unique_ptr<OutputFile> FakePlatform::createFile(std::u16string_view path) {
    log.push_back("create " + utf8(path));
    const std::u16string key(path);
    if (uncreatable.count(key) != 0) return nullptr;
    const auto limit = writeLimit.find(key);
    return std::make_unique<MemoryFile>(files[key],
                                        limit == writeLimit.end() ? SIZE_MAX : limit->second);
}

void FakePlatform::appendAnsiAsWide(std::string_view bytes, std::u16string& text) {
    if (firstBrokenLead(bytes, codePage_->leadBytes()) != std::string_view::npos) {
        throw std::logic_error("a broken lead byte reached the platform");
    }
    codePage_->appendWide(bytes, text);
}

}  // namespace quill::test
