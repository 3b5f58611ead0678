// Recognises the console paste keystrokes Alt+Space, E, P in a stream of
// low-level key events. Pure logic, so that it can be tested without hooks.
#pragma once

#include <windows.h>

#include <set>

namespace quill::e2e {

class PasteKeys {
public:
    enum class Action {
        pass,              // let the key through
        swallow,           // eat the key
        swallowAndPaste  // eat the key; the sequence is complete
    };

    // vk and scan as in KBDLLHOOKSTRUCT; consoleForeground tells whether a
    // console window is the foreground window right now.
    [[nodiscard]] Action onKey(DWORD vk, DWORD scan, bool down, bool consoleForeground) {
        if (isAlt(vk)) {
            altDown_ = down;
            return Action::pass;
        }
        const DWORD id = keyId(vk, scan);
        if (!down) {
            // A key whose press was eaten has its release eaten too.
            return swallowed_.erase(id) ? Action::swallow : Action::pass;
        }
        const Logical key = logical(vk, scan);
        switch (state_) {
            case State::idle:
                if (key == Logical::space && altDown_ && consoleForeground)
                    return eat(id, State::menuOpen);
                return Action::pass;
            case State::menuOpen:
                if (key == Logical::e) return eat(id, State::editOpen);
                break;
            case State::editOpen:
                if (key == Logical::p) {
                    (void)eat(id, State::idle);
                    return Action::swallowAndPaste;
                }
                break;
        }
        // Anything else closes the (imagined) menu and goes through.
        state_ = State::idle;
        return Action::pass;
    }

private:
    enum class State { idle, menuOpen, editOpen };
    enum class Logical { other, space, e, p };

    static bool isAlt(DWORD vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

    // Keys sent as KEYEVENTF_UNICODE arrive as VK_PACKET with the character in scan.
    static DWORD keyId(DWORD vk, DWORD scan) { return vk == VK_PACKET ? 0x10000 | scan : vk; }

    static Logical logical(DWORD vk, DWORD scan) {
        if (vk == VK_PACKET) vk = scan == L' ' ? VK_SPACE : (scan & ~0x20u);  // upper-case letters
        if (vk == VK_SPACE) return Logical::space;
        if (vk == 'E') return Logical::e;
        if (vk == 'P') return Logical::p;
        return Logical::other;
    }

    Action eat(DWORD id, State next) {
        swallowed_.insert(id);
        state_ = next;
        return Action::swallow;
    }

    State state_ = State::idle;
    bool altDown_ = false;
    std::set<DWORD> swallowed_;
};

}  // namespace quill::e2e
