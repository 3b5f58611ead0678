#include "input.h"

#include <cstring>

#include "key_guard.h"
#include "scoped.h"

namespace quill::win32 {

bool clearClipboard(HWND owner) {
    const ClipboardSession clipboard(owner);
    return clipboard.open() && ::EmptyClipboard();
}

bool putClipboardText(HWND owner, std::u16string_view text) {
    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t)));
    if (!memory) return false;
    {
        const GlobalLock<char16_t> locked(memory.get());
        if (!locked.get()) return false;
        std::memcpy(locked.get(), text.data(), text.size() * sizeof(char16_t));
        locked.get()[text.size()] = u'\0';
    }
    const ClipboardSession clipboard(owner);
    if (!clipboard.open() || !::EmptyClipboard()) return false;
    if (!::SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
    (void)memory.release();  // the clipboard owns it now
    return true;
}

std::optional<std::u16string> clipboardText(HWND owner) {
    const ClipboardSession clipboard(owner);
    if (!clipboard.open()) return std::nullopt;
    const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (!data) return std::nullopt;
    return globalText(data);
}

std::optional<std::u16string> globalText(HGLOBAL block) {
    const GlobalLock<const char16_t> locked(block);
    if (!locked.get()) return std::nullopt;
    const std::u16string_view units(locked.get(), locked.bytes() / sizeof(char16_t));
    return std::u16string(units.substr(0, units.find(u'\0')));
}

namespace {
INPUT key(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.ki.dwExtraInfo = ForegroundKeyGuard::kKeyTag;
    return input;
}

std::optional<WORD> namedKey(std::u16string_view name) {
    struct Named {
        std::u16string_view name;
        WORD key;
    };
    static constexpr Named kNamed[] = {
        {u"ENTER", VK_RETURN},   {u"TAB", VK_TAB},     {u"ESC", VK_ESCAPE},
        {u"BACKSPACE", VK_BACK}, {u"SPACE", VK_SPACE},
    };
    for (const Named& named : kNamed) {
        if (named.name == name) return named.key;
    }
    return std::nullopt;
}
}  // namespace

std::optional<std::vector<INPUT>> keystrokeEvents(std::u16string_view keys) {
    std::vector<INPUT> events;
    std::vector<WORD> held;  // modifiers for the next key
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const char16_t c = keys[i];
        if (c == u'%' || c == u'^' || c == u'+') {
            const WORD modifier = c == u'%' ? VK_MENU : c == u'^' ? VK_CONTROL : VK_SHIFT;
            events.push_back(key(modifier, false));
            held.push_back(modifier);
            continue;
        }
        WORD virtualKey = 0;
        bool shifted = false;
        if (c == u'{') {
            const std::size_t close = keys.find(u'}', i + 1);
            if (close == std::u16string_view::npos) return std::nullopt;
            const std::optional<WORD> named = namedKey(keys.substr(i + 1, close - i - 1));
            if (!named) return std::nullopt;
            virtualKey = *named;
            i = close;
        } else {
            const SHORT scan = ::VkKeyScanW(static_cast<wchar_t>(c));
            if (scan == -1) return std::nullopt;
            virtualKey = LOBYTE(scan);
            shifted = (HIBYTE(scan) & 1) != 0;
        }
        if (shifted) events.push_back(key(VK_SHIFT, false));
        events.push_back(key(virtualKey, false));
        events.push_back(key(virtualKey, true));
        if (shifted) events.push_back(key(VK_SHIFT, true));
        for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier) {
            events.push_back(key(*modifier, true));
        }
        held.clear();
    }
    for (auto modifier = held.rbegin(); modifier != held.rend(); ++modifier) {
        events.push_back(key(*modifier, true));
    }
    return events;
}

KeyDelivery sendKeystrokes(std::u16string_view keys, HWND target) {
    // Normally every key is judged before SendInput returns, or at once after.
    constexpr DWORD kJudgeLimitMs = 5000;
    std::optional<std::vector<INPUT>> events = keystrokeEvents(keys);
    if (!events) return KeyDelivery::Failed;
    if (events->empty()) return KeyDelivery::Delivered;
    const ForegroundKeyGuard guard(target);
    if (!guard.active()) return KeyDelivery::Failed;  // no key goes out unguarded
    const UINT sent = ::SendInput(static_cast<UINT>(events->size()), events->data(), sizeof(INPUT));
    // The guard stays until it has judged every key that went out.
    const bool judged = guard.waitJudged(sent, kJudgeLimitMs);
    if (guard.pressHeldBack()) return KeyDelivery::ForegroundLost;
    return judged && sent == events->size() ? KeyDelivery::Delivered : KeyDelivery::Failed;
}

}  // namespace quill::win32
