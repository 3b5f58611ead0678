// The pure parts of paste_helper: recognising Alt+Space, E, P and turning text
// into console key events.
#include <gtest/gtest.h>

#include <tuple>

#include "console_input.h"
#include "paste_keys.h"

namespace quill::e2e::test {
namespace {

using Action = PasteKeys::Action;

struct Key {
    DWORD vk;
    bool down;
    DWORD scan = 0;
};

std::vector<Action> feed(PasteKeys& keys, std::initializer_list<Key> stream, bool console = true) {
    std::vector<Action> out;
    for (const Key& k : stream) out.push_back(keys.onKey(k.vk, k.scan, k.down, console));
    return out;
}

constexpr auto P = Action::pass;
constexpr auto S = Action::swallow;
constexpr auto GO = Action::swallowAndPaste;

TEST(PasteKeys, RecognisesTheSequenceAsSendInputDeliversItAndPassesOtherKeys) {
    PasteKeys keys;
    EXPECT_EQ(feed(keys, {{VK_LMENU, true},
                          {VK_SPACE, true},
                          {VK_SPACE, false},
                          {VK_LMENU, false},
                          {'E', true},
                          {'E', false},
                          {'P', true},
                          {'P', false}}),
              (std::vector{P, S, S, P, S, S, GO, S}));
    // Typing and Enter afterwards go through, E and P included.
    EXPECT_EQ(feed(keys, {{'E', true},
                          {'E', false},
                          {'P', true},
                          {'P', false},
                          {VK_RETURN, true},
                          {VK_RETURN, false}}),
              (std::vector{P, P, P, P, P, P}));
    // Again, with the generic VK_MENU and Alt released only at the end.
    EXPECT_EQ(feed(keys, {{VK_MENU, true},
                          {VK_SPACE, true},
                          {VK_SPACE, false},
                          {'E', true},
                          {'E', false},
                          {'P', true},
                          {'P', false},
                          {VK_MENU, false}}),
              (std::vector{P, S, S, S, S, GO, S, P}));
}

TEST(PasteKeys, UnicodePacketsCountAsKeys) {
    PasteKeys keys;
    EXPECT_EQ(feed(keys, {{VK_MENU, true},
                          {VK_SPACE, true},
                          {VK_SPACE, false},
                          {VK_MENU, false},
                          {VK_PACKET, true, L'e'},
                          {VK_PACKET, false, L'e'},
                          {VK_PACKET, true, L'p'},
                          {VK_PACKET, false, L'p'}}),
              (std::vector{P, S, S, P, S, S, GO, S}));
}

TEST(PasteKeys, NeedsAltAConsoleAndTheExactOrder) {
    PasteKeys keys;
    // Space without Alt is typing.
    EXPECT_EQ(feed(keys, {{VK_SPACE, true}, {VK_SPACE, false}, {'E', true}, {'E', false}}),
              (std::vector{P, P, P, P}));
    // Not in a console: nothing is eaten.
    EXPECT_EQ(feed(keys,
                   {{VK_MENU, true},
                    {VK_SPACE, true},
                    {VK_SPACE, false},
                    {VK_MENU, false},
                    {'E', true},
                    {'E', false},
                    {'P', true},
                    {'P', false}},
                   false),
              (std::vector{P, P, P, P, P, P, P, P}));
    // A stray key closes the menu; it and the rest pass.
    EXPECT_EQ(feed(keys, {{VK_MENU, true},
                          {VK_SPACE, true},
                          {VK_SPACE, false},
                          {VK_MENU, false},
                          {'X', true},
                          {'X', false},
                          {'E', true},
                          {'E', false},
                          {'P', true}}),
              (std::vector{P, S, S, P, P, P, P, P, P}));
    keys = PasteKeys{};
    EXPECT_EQ(feed(keys, {{VK_MENU, true},
                          {VK_SPACE, true},
                          {VK_SPACE, false},
                          {VK_MENU, false},
                          {'E', true},
                          {'E', false},
                          {'Q', true},
                          {'Q', false},
                          {'P', true}}),
              (std::vector{P, S, S, P, S, S, P, P, P}));
}

// Each character as (character, virtual key, key down) for readable comparisons.
std::vector<std::tuple<wchar_t, WORD, bool>> keysOf(const std::vector<INPUT_RECORD>& events) {
    std::vector<std::tuple<wchar_t, WORD, bool>> out;
    for (const auto& e : events) {
        EXPECT_EQ(e.EventType, KEY_EVENT);
        out.emplace_back(e.Event.KeyEvent.uChar.UnicodeChar, e.Event.KeyEvent.wVirtualKeyCode,
                         e.Event.KeyEvent.bKeyDown != FALSE);
    }
    return out;
}

TEST(PasteKeyEvents, EveryLineEndIsOneEnter) {
    using K = std::tuple<wchar_t, WORD, bool>;
    const auto enterDown = K{L'\r', VK_RETURN, true}, enterUp = K{L'\r', VK_RETURN, false};
    EXPECT_EQ(keysOf(pasteKeyEvents(L"a\r\nb\nc\r")), (std::vector<K>{{L'a', 'A', true},
                                                                         {L'a', 'A', false},
                                                                         enterDown,
                                                                         enterUp,
                                                                         {L'b', 'B', true},
                                                                         {L'b', 'B', false},
                                                                         enterDown,
                                                                         enterUp,
                                                                         {L'c', 'C', true},
                                                                         {L'c', 'C', false},
                                                                         enterDown,
                                                                         enterUp}));
    EXPECT_EQ(keysOf(pasteKeyEvents(L"\r\n\r\n")),
              (std::vector<K>{enterDown, enterUp, enterDown, enterUp}));
    EXPECT_TRUE(pasteKeyEvents(L"").empty());
}

TEST(PasteKeyEvents, CharactersWithoutAKeyKeepTheirCharacter) {
    const auto events = pasteKeyEvents(L"書\"");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Event.KeyEvent.uChar.UnicodeChar, L'書');
    EXPECT_EQ(events[0].Event.KeyEvent.wVirtualKeyCode, 0);
    EXPECT_EQ(events[2].Event.KeyEvent.uChar.UnicodeChar, L'"');
    EXPECT_TRUE(events[2].Event.KeyEvent.dwControlKeyState & SHIFT_PRESSED);
}

}  // namespace
}  // namespace quill::e2e::test
