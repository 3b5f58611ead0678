// Synthetic keys reach only their target window, also when another window
// takes the foreground in the middle of a batch.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "foreground_thief.h"
#include "input.h"
#include "key_guard.h"
#include "key_window.h"
#include "support.h"
#include "win_util.h"

namespace quill::win32::test {
namespace {

using e2e::ForegroundThief;
using e2e::KeyWindow;
using e2e::pollUntil;
using e2e::test::kPatience;

bool inFront(HWND window) {
    return e2e::test::bringToForeground(window);
}

void sendSentinel() {
    INPUT events[2]{};
    for (int i = 0; i < 2; ++i) {
        events[i].type = INPUT_KEYBOARD;
        events[i].ki.wVk = static_cast<WORD>(KeyWindow::kSentinel);
        events[i].ki.dwFlags = i == 0 ? 0 : KEYEVENTF_KEYUP;
    }
    ASSERT_EQ(::SendInput(2, events, sizeof(INPUT)), 2u);
}

class KeyGuardTest : public ::testing::Test {
protected:
    // The target is in front and has the keyboard. The window manager gives
    // new windows the focus some time after they appear, so a window may
    // lose the foreground again right after it got it: a key is sent through
    // and must reach the target before the test goes on.
    void SetUp() override {
        ASSERT_TRUE(target.hwnd() && other.hwnd());
        bool settled = false;
        for (int attempt = 0; attempt < 5 && !settled; ++attempt) {
            ASSERT_TRUE(inFront(target.hwnd()));
            ASSERT_NO_FATAL_FAILURE(settle());
            settled = target.sawSentinel() && ::GetForegroundWindow() == target.hwnd();
            target.clear();
            other.clear();
        }
        ASSERT_TRUE(settled) << "the target did not keep the foreground";
    }
    // Waits until every key sent so far has arrived somewhere.
    void settle() {
        sendSentinel();
        ASSERT_TRUE(
            pollUntil([&] { return target.sawSentinel() || other.sawSentinel(); }, kPatience));
    }

    // Made in this order, the window manager's late focus on a new window
    // goes to the target.
    KeyWindow other{L"other"};
    KeyWindow target{L"target"};
};

TEST_F(KeyGuardTest, KeysReachTheTargetWhileItStaysInFront) {
    EXPECT_EQ(sendKeystrokes(u"% ep", target.hwnd()), KeyDelivery::Delivered);
    EXPECT_EQ(sendKeystrokes(u"{ENTER}", target.hwnd()), KeyDelivery::Delivered);
    settle();
    EXPECT_EQ(target.presses(), (std::vector<WPARAM>{VK_MENU, VK_SPACE, 'E', 'P', VK_RETURN}));
    EXPECT_TRUE(other.presses().empty());
}

// The thief strikes at each key press of Alt+Space, E, P in turn: the other
// window gets no key press, the target none from the strike on, and no key
// is left held down. (Wine may drop keys that the target's thread had not
// read yet when it lost the foreground, so the target gets some or all of
// the keys before the strike.)
TEST_F(KeyGuardTest, NoKeyPressFollowsTheForegroundToAnotherWindow) {
    const std::vector<WPARAM> order{VK_MENU, VK_SPACE, 'E', 'P'};
    for (std::size_t strikeAt = 0; strikeAt < order.size(); ++strikeAt) {
        SCOPED_TRACE("strike at press " + std::to_string(strikeAt));
        ASSERT_NO_FATAL_FAILURE(SetUp());
        target.clear();
        other.clear();
        int presses = 0;
        const WPARAM strikeKey = order[strikeAt];
        {
            const ForegroundThief thief(other.hwnd(), [&](const KBDLLHOOKSTRUCT& key) {
                const bool press = (key.flags & LLKHF_UP) == 0;
                return press && key.dwExtraInfo == ForegroundKeyGuard::kKeyTag &&
                       presses++ == static_cast<int>(strikeAt) && key.vkCode == strikeKey;
            });
            ASSERT_TRUE(thief.ok());
            EXPECT_EQ(sendKeystrokes(u"% ep", target.hwnd()), KeyDelivery::ForegroundLost);
            EXPECT_TRUE(thief.struck());
        }
        // The sentinel goes once the other window has the keyboard.
        ASSERT_TRUE(pollUntil([&] { return ::GetForegroundWindow() == other.hwnd(); }, kPatience));
        settle();
        EXPECT_EQ(other.presses(), std::vector<WPARAM>{});
        const std::vector<WPARAM> got = target.presses();
        ASSERT_LE(got.size(), strikeAt);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), order.begin()));
        for (const WPARAM key : order)
            EXPECT_FALSE(::GetAsyncKeyState(static_cast<int>(key)) & 0x8000);
    }
}

TEST_F(KeyGuardTest, OnlyTheProgramsOwnKeysAreJudged) {
    // The other window is in front; a guard for the target is in place.
    ASSERT_TRUE(inFront(other.hwnd()));
    const ForegroundKeyGuard guard(target.hwnd());
    ASSERT_TRUE(guard.active());
    INPUT typed[2]{};  // the user's key: no mark
    for (int i = 0; i < 2; ++i) {
        typed[i].type = INPUT_KEYBOARD;
        typed[i].ki.wVk = 'Q';
        typed[i].ki.dwFlags = i == 0 ? 0 : KEYEVENTF_KEYUP;
    }
    ASSERT_EQ(::SendInput(2, typed, sizeof(INPUT)), 2u);
    settle();
    EXPECT_EQ(other.presses(), std::vector<WPARAM>{'Q'});
    EXPECT_FALSE(guard.pressHeldBack());
}

}  // namespace
}  // namespace quill::win32::test
