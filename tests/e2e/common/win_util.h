// Small Win32 utilities shared by the end-to-end helper programs and tests.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quill::e2e {

[[nodiscard]] std::string to_utf8(std::wstring_view text);
[[nodiscard]] std::wstring from_utf8(std::string_view text);

// Checks pred every step_ms until it holds or timeout_ms have passed; returns
// whether it held. Limits are meant to be generous: the check ends the wait.
[[nodiscard]] bool poll_until(const std::function<bool()>& pred, DWORD timeout_ms,
                              DWORD step_ms = 20);

// Whole-file byte I/O; nullopt / false when the file cannot be read / written.
[[nodiscard]] std::optional<std::string> read_file_bytes(const std::wstring& path);
[[nodiscard]] bool write_file_bytes(const std::wstring& path, std::string_view bytes);
// Appends text to a file, creating it; safe against other appenders.
[[nodiscard]] bool append_file_bytes(const std::wstring& path, std::string_view bytes);

// The clipboard's text (CF_UNICODETEXT), or nullopt when it holds none.
[[nodiscard]] std::optional<std::wstring> get_clipboard_text(HWND owner = nullptr);
// Empties the clipboard and puts text on it as CF_UNICODETEXT. owner must be a
// window of the calling thread: with none, SetClipboardData fails on Windows.
[[nodiscard]] bool set_clipboard_text(const std::wstring& text, HWND owner);

// One argument quoted for a command line, so that CommandLineToArgvW and the
// C runtime give it back unchanged.
[[nodiscard]] std::wstring quote_arg(std::wstring_view arg);

// Directory of this program, with a trailing backslash.
[[nodiscard]] std::wstring exe_dir();

// "Wine's console" or Windows' console window class.
[[nodiscard]] bool is_console_window(HWND hwnd);

// Text with CR, LF and other control characters shown as <CR>, <LF>, <xNN>, for logs.
[[nodiscard]] std::wstring escape_controls(std::wstring_view text);

}  // namespace quill::e2e
