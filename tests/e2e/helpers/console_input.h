// Turns pasted text into the key events that a console paste produces.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace quill::e2e {

// One key press and release per character, as Windows' console pastes: a line
// end (CR LF, or a CR or LF alone) becomes a single Enter.
[[nodiscard]] inline std::vector<INPUT_RECORD> pasteKeyEvents(std::wstring_view text) {
    std::vector<INPUT_RECORD> events;
    const auto add = [&](wchar_t ch, WORD vk, DWORD control) {
        for (const BOOL down : {TRUE, FALSE}) {
            INPUT_RECORD r = {};
            r.EventType = KEY_EVENT;
            r.Event.KeyEvent.bKeyDown = down;
            r.Event.KeyEvent.wRepeatCount = 1;
            r.Event.KeyEvent.wVirtualKeyCode = vk;
            r.Event.KeyEvent.wVirtualScanCode =
                static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
            r.Event.KeyEvent.uChar.UnicodeChar = ch;
            r.Event.KeyEvent.dwControlKeyState = control;
            events.push_back(r);
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        if (ch == L'\r' || ch == L'\n') {
            if (ch == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            add(L'\r', VK_RETURN, 0);
            continue;
        }
        // Characters without a key of their own (e.g. Japanese) carry only the character.
        const SHORT scan = VkKeyScanW(ch);
        const WORD vk = scan == -1 ? 0 : LOBYTE(scan);
        const DWORD shift = scan != -1 && (HIBYTE(scan) & 1) ? SHIFT_PRESSED : 0;
        add(ch, vk, shift);
    }
    return events;
}

}  // namespace quill::e2e
