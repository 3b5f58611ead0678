#include "win32_platform.h"

#include "files.h"
#include "input.h"
#include "main_window.h"
#include "message_loop.h"
#include "module_path.h"
#include "wide.h"

namespace quill::win32 {

namespace {
HWND handleOf(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

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
    ::SetWindowTextW(window_.hwnd(), toWide(text).c_str());
}

void Win32Platform::setText1(std::u16string_view text) {
    ::SetWindowTextW(window_.control(layout::kText1), toWide(text).c_str());
}

void Win32Platform::setCommand2Caption(std::u16string_view text) {
    ::SetWindowTextW(window_.control(layout::kCommand2), toWide(text).c_str());
}

void Win32Platform::setCommand2Enabled(bool enabled) {
    ::EnableWindow(window_.control(layout::kCommand2), enabled ? TRUE : FALSE);
}

void Win32Platform::setStacking(Stacking order) {
    const HWND window = window_.hwnd();
    if (order == Stacking::Topmost) {
        ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
        return;
    }
    // Leave the topmost band first: not every system does that for a move
    // to the bottom.
    ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
    ::SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, kKeepPlace);
}

void Win32Platform::setOuterSizeTwips(int width, int height) {
    ::SetWindowPos(window_.hwnd(), nullptr, 0, 0, window_.twipsToPixels(width),
                   window_.twipsToPixels(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Platform::anotherInstanceRunning() {
    // The error is read before reset(), whose CloseHandle may change it.
    UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    instanceMutex_ = std::move(mutex);
    return existed;
}

std::u16string Win32Platform::executableDirectory() {
    const std::wstring path = executablePath();
    if (path.empty()) return {};
    return folderOf(fromWide(path));
}

void Win32Platform::closeAllWindows() {
    // The program has one window.
    if (window_.standing()) ::DestroyWindow(window_.hwnd());
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

bool Win32Platform::clearClipboard() {
    return win32::clearClipboard(window_.hwnd());
}

bool Win32Platform::putClipboardText(std::u16string_view text) {
    return win32::putClipboardText(window_.hwnd(), text);
}

KeyDelivery Win32Platform::sendKeys(std::u16string_view keys, WindowHandle target) {
    return sendKeystrokes(keys, handleOf(target));
}

WindowHandle Win32Platform::foregroundWindow() {
    return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

ThreadId Win32Platform::windowThread(WindowHandle window) {
    return ::GetWindowThreadProcessId(handleOf(window), nullptr);
}

void Win32Platform::attachThreadInput(ThreadId from, ThreadId to, bool attach) {
    ::AttachThreadInput(from, to, attach ? TRUE : FALSE);
}

std::uint32_t Win32Platform::foregroundLockTimeout() {
    DWORD timeout = 0;
    ::SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    return timeout;
}

void Win32Platform::setForegroundLockTimeout(std::uint32_t milliseconds) {
    // The new time-out travels in the pointer argument itself.
    ::SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                            reinterpret_cast<PVOID>(static_cast<UINT_PTR>(milliseconds)), 0);
}

void Win32Platform::setForegroundWindow(WindowHandle window) {
    ::SetForegroundWindow(handleOf(window));
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
