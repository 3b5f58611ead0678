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
        swallow_and_paste  // eat the key; the sequence is complete
    };

    // vk and scan as in KBDLLHOOKSTRUCT; console_foreground tells whether a
    // console window is the foreground window right now.
    [[nodiscard]] Action on_key(DWORD vk, DWORD scan, bool down, bool console_foreground) {
        if (is_alt(vk)) {
            alt_down_ = down;
            return Action::pass;
        }
        const DWORD id = key_id(vk, scan);
        if (!down) {
            // A key whose press was eaten has its release eaten too.
            return swallowed_.erase(id) ? Action::swallow : Action::pass;
        }
        const Logical key = logical(vk, scan);
        switch (state_) {
            case State::idle:
                if (key == Logical::space && alt_down_ && console_foreground)
                    return eat(id, State::menu_open);
                return Action::pass;
            case State::menu_open:
                if (key == Logical::e) return eat(id, State::edit_open);
                break;
            case State::edit_open:
                if (key == Logical::p) {
                    (void)eat(id, State::idle);
                    return Action::swallow_and_paste;
                }
                break;
        }
        // Anything else closes the (imagined) menu and goes through.
        state_ = State::idle;
        return Action::pass;
    }

private:
    enum class State { idle, menu_open, edit_open };
    enum class Logical { other, space, e, p };

    static bool is_alt(DWORD vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

    // Keys sent as KEYEVENTF_UNICODE arrive as VK_PACKET with the character in scan.
    static DWORD key_id(DWORD vk, DWORD scan) { return vk == VK_PACKET ? 0x10000 | scan : vk; }

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
    bool alt_down_ = false;
    std::set<DWORD> swallowed_;
};

}  // namespace quill::e2e
