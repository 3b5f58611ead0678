#include "win32_platform.h"

#include "files.h"
#include "hand_over.h"
#include "input.h"
#include "main_window.h"
#include "message_loop.h"
#include "module_path.h"
#include "system_log.h"
#include "wide.h"

namespace quill::win32 {

namespace {
HWND handleOf(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

constexpr std::u16string_view kPasteKeys = u"% ep";  // Alt+Space, E, P: Edit > Paste
constexpr std::u16string_view kEnterKey = u"{ENTER}";

// Only the stacking order changes.
constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE;
}  // namespace

std::u16string folderOf(std::u16string_view programPath) {
    const std::size_t separator = programPath.find_last_of(u"\\/");
    if (separator == std::u16string_view::npos) return {};
    std::u16string folder(programPath.substr(0, separator));
    if (folder.size() == 2 && folder[1] == u':') folder += u'\\';  // C:\ keeps its backslash
    return folder;
}

void Win32Platform::setCaption(std::u16string_view text) {
    (void)logIfFailed(::SetWindowTextW(window_.hwnd(), toWide(text).c_str()), L"SetWindowTextW");
}

void Win32Platform::setText1(std::u16string_view text) {
    (void)logIfFailed(::SetWindowTextW(window_.control(layout::kText1), toWide(text).c_str()), L"SetWindowTextW");
}

void Win32Platform::setCommand2Caption(std::u16string_view text) {
    (void)logIfFailed(::SetWindowTextW(window_.control(layout::kCommand2), toWide(text).c_str()), L"SetWindowTextW");
}

void Win32Platform::setCommand3Caption(std::u16string_view text) {
    (void)logIfFailed(::SetWindowTextW(window_.control(layout::kCommand3), toWide(text).c_str()), L"SetWindowTextW");
}

void Win32Platform::setCommand2Enabled(bool enabled) {
    ::EnableWindow(window_.control(layout::kCommand2), enabled ? TRUE : FALSE);
}

void Win32Platform::setStacking(Stacking order) {
    const HWND window = window_.hwnd();
    if (order == Stacking::Topmost) {
        (void)logIfFailed(::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace), L"SetWindowPos");
        return;
    }
    // Leave the topmost band first: not every system does that for a move
    // to the bottom.
    (void)logIfFailed(::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace), L"SetWindowPos");
    (void)logIfFailed(::SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, kKeepPlace), L"SetWindowPos");
}

void Win32Platform::setOuterSizeTwips(int width, int height) {
    (void)logIfFailed(::SetWindowPos(window_.hwnd(), nullptr, 0, 0, window_.twipsToPixels(width),
                                     window_.twipsToPixels(height),
                                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE),
                      L"SetWindowPos");
}

bool Win32Platform::anotherInstanceRunning() {
    // The error is read before reset(), whose CloseHandle may change it.
    UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    instanceMutex_ = std::move(mutex);
    if (!existed) markRunningInstance(window_.hwnd());
    return existed;
}

bool Win32Platform::handToRunningInstance(const std::vector<std::u16string>& files) {
    constexpr auto kLimit = std::chrono::seconds(10);
    return handOver(files, kLimit);
}

std::u16string Win32Platform::executableDirectory() {
    const std::wstring path = executablePath();
    if (path.empty()) return {};
    return folderOf(fromWide(path));
}

void Win32Platform::closeAllWindows() {
    // The program has one window.
    if (window_.standing()) (void)logIfFailed(::DestroyWindow(window_.hwnd()), L"DestroyWindow");
}

void Win32Platform::doEvents() {
    (void)pumpPending(window_.hwnd());
}

void Win32Platform::sleep(std::uint32_t milliseconds) {
    (void)waitPumping(nullptr, milliseconds, window_.hwnd(), [this] { return window_.standing(); });
}

bool Win32Platform::startConsole() {
    return console_.start();
}

WindowHandle Win32Platform::consoleWindow() {
    return reinterpret_cast<WindowHandle>(console_.window());
}

bool Win32Platform::waitForConsoleExit(std::chrono::milliseconds limit) {
    if (!console_.process()) return true;
    return waitPumping(console_.process(), static_cast<DWORD>(limit.count()), window_.hwnd(),
                       [this] { return window_.standing(); });
}

void Win32Platform::endConsole(std::chrono::milliseconds limit) {
    if (!console_.process()) return;
    console_.terminate();
    constexpr DWORD kPollMs = 50;
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    const auto standing = [this] { return window_.standing(); };
    while (!console_.finished() && standing() && ::GetTickCount64() < deadline) {
        (void)waitPumping(nullptr, kPollMs, window_.hwnd(), standing);
    }
}

std::vector<std::u16string> Win32Platform::environmentNames() {
    return win32::environmentNames();
}

KeyDelivery Win32Platform::pasteLine(std::u16string_view text, WindowHandle console) {
    if (!clearClipboard(window_.hwnd()) || !putClipboardText(window_.hwnd(), text)) {
        return KeyDelivery::Failed;
    }
    return sendKeystrokes(kPasteKeys, handleOf(console));
}

KeyDelivery Win32Platform::pressEnter(WindowHandle console) {
    return sendKeystrokes(kEnterKey, handleOf(console));
}

bool Win32Platform::leaveOnClipboard(std::u16string_view text) {
    return clearClipboard(window_.hwnd()) && putClipboardText(window_.hwnd(), text);
}

void Win32Platform::bringToFront(WindowHandle window) {
    forceForeground(foreground_, uiThread_, handleOf(window));
}

bool Win32Platform::atFront(WindowHandle window) {
    return ::GetForegroundWindow() == handleOf(window);
}

std::optional<FileBytes> Win32Platform::readWholeFile(std::u16string_view path) {
    return win32::readWholeFile(path);
}

std::unique_ptr<OutputFile> Win32Platform::createFile(std::u16string_view path) {
    return win32::createFile(path);
}

FileTime Win32Platform::now() {
    return systemFileTime();
}

std::optional<FileTime> Win32Platform::lastWriteTime(std::u16string_view path) {
    return win32::lastWriteTime(path);
}

LeadBytes Win32Platform::ansiLeadBytes() {
    return win32::ansiLeadBytes();
}

void Win32Platform::appendAnsiAsWide(std::string_view bytes, std::u16string& text) {
    win32::appendAnsiAsWide(bytes, text);
}

void Win32Platform::wideToAnsi(std::u16string_view text, std::string& out) {
    win32::wideToAnsi(text, out);
}

}  // namespace quill::win32
