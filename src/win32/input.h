#pragma once
// The clipboard as plain text, and synthetic keystrokes in the notation
// "% ep" (Alt held for the space bar, then E and P) and "{ENTER}".

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

namespace quill::win32 {

[[nodiscard]] bool clearClipboard(HWND owner);
// Puts text on the clipboard as CF_UNICODETEXT, replacing its content.
[[nodiscard]] bool putClipboardText(HWND owner, std::u16string_view text);
// The clipboard's text, if it holds any.
[[nodiscard]] std::optional<std::u16string> clipboardText(HWND owner);
// The UTF-16 text in a global memory block: up to its first NUL, and never
// past the block's end, whether a NUL ends it or not.
[[nodiscard]] std::optional<std::u16string> globalText(HGLOBAL block);

// The key events of a keystroke string: "%", "^" and "+" hold Alt, Ctrl and
// Shift for the next key; "{NAME}" is a named key; any other character is
// the key that types it. Nothing for a string it cannot read. The events
// carry the program's mark (ForegroundKeyGuard::kKeyTag).
[[nodiscard]] std::optional<std::vector<INPUT>> keystrokeEvents(std::u16string_view keys);

// Sends the keystrokes to the foreground window, each key press only while
// that is target (see ForegroundKeyGuard); returns once every key has been
// judged.
[[nodiscard]] KeyDelivery sendKeystrokes(std::u16string_view keys, HWND target);

}  // namespace quill::win32
