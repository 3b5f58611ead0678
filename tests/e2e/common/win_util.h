// Small Win32 utilities shared by the end-to-end helper programs and tests.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quill::e2e {

[[nodiscard]] std::string toUtf8(std::wstring_view text);
[[nodiscard]] std::wstring fromUtf8(std::string_view text);

// Checks pred every stepMs until it holds or timeoutMs have passed; returns
// whether it held. Limits are meant to be generous: the check ends the wait.
[[nodiscard]] bool pollUntil(const std::function<bool()>& pred, DWORD timeoutMs,
                              DWORD stepMs = 20);

// Whole-file byte I/O; nullopt / false when the file cannot be read / written.
[[nodiscard]] std::optional<std::string> readFileBytes(const std::wstring& path);
[[nodiscard]] bool writeFileBytes(const std::wstring& path, std::string_view bytes);
// Appends text to a file, creating it; safe against other appenders.
[[nodiscard]] bool appendFileBytes(const std::wstring& path, std::string_view bytes);

// The clipboard's text (CF_UNICODETEXT), or nullopt when it holds none.
[[nodiscard]] std::optional<std::wstring> getClipboardText(HWND owner = nullptr);
// Empties the clipboard and puts text on it as CF_UNICODETEXT. owner must be a
// window of the calling thread: with none, SetClipboardData fails on Windows.
[[nodiscard]] bool setClipboardText(const std::wstring& text, HWND owner);

// One argument quoted for a command line, so that CommandLineToArgvW and the
// C runtime give it back unchanged.
[[nodiscard]] std::wstring quoteArg(std::wstring_view arg);

// Directory of this program, with a trailing backslash.
[[nodiscard]] std::wstring exeDir();

// "Wine's console" or Windows' console window class.
[[nodiscard]] bool isConsoleWindow(HWND hwnd);

// Text with CR, LF and other control characters shown as <CR>, <LF>, <xNN>, for logs.
[[nodiscard]] std::wstring escapeControls(std::wstring_view text);

}  // namespace quill::e2e
