// A run that cannot go on: another program takes the foreground in the
// middle of Quillmark's keystrokes.
#include <gtest/gtest.h>

#include "expected_page.h"
#include "foreground_thief.h"
#include "key_window.h"
#include "on_wine.h"
#include "session.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

using Lines = std::vector<std::wstring>;
using Interruption = QuillmarkTest;

bool isAlt(DWORD key) {
    return key == VK_MENU || key == VK_LMENU || key == VK_RMENU;
}

TEST_F(Interruption, AnotherWindowTakingTheForegroundStopsTheRunAndKeepsTheRestQueued) {
    // The first source's conversion is still at work when the run stops.
    const std::wstring a = document(L"一.doc", "#sleep 3000\r\none\r\n");
    const std::wstring b = document(L"二.doc", "two\r\n");
    const std::wstring c = document(L"三.doc", "three\r\n");
    dropDocuments(Target::text1, {c, b, a});

    {
        // At Quillmark's second Alt press, the start of the second paste.
        const KeyWindow other(L"another program");
        int altPresses = 0;
        const ForegroundThief thief(other.hwnd(), [&](const KBDLLHOOKSTRUCT& key) {
            const bool injectedPress = (key.flags & LLKHF_INJECTED) && !(key.flags & LLKHF_UP);
            return injectedPress && isAlt(key.vkCode) && ++altPresses == 2;
        });
        ASSERT_TRUE(thief.ok());
        expectUsualRun(runHtml());
        EXPECT_TRUE(thief.struck());
        EXPECT_EQ(other.presses(), std::vector<WPARAM>{}) << "a key press reached the other window";
    }
    // The console was ended once the first conversion had finished: its page
    // is made. Were the console's command lost before it ran, that page
    // would be counted as not made.
    const bool firstRan = converterLog() == Lines{commandFor(a)};
    expectIdleAfterRun(interrupted(2, firstRan ? 0 : 1));
    if (win32::runningOnWine()) {  // Windows' console pastes without the helper and its log
        EXPECT_EQ(pasteLog().size(), 1u) << "the second command reached the console";
    }
    if (firstRan) {
        EXPECT_EQ(readFileBytes(docPath(L"一.html")),
                  expectedPage("\x88\xEA", {"<P>one<br>", "<br>", "</P><br>"}));  // 一
    }
    EXPECT_FALSE(fileExists(docPath(L"二.txt")));

    // The next press converts what was left, in order, and makes its pages.
    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    const Lines log = converterLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(Lines(log.end() - 2, log.end()), (Lines{commandFor(b), commandFor(c)}));
    EXPECT_EQ(readFileBytes(docPath(L"二.html")),
              expectedPage("\x93\xF1", {"<P>two<br>", "<br>", "</P><br>"}));  // 二
    EXPECT_TRUE(fileExists(docPath(L"三.html")));
}

}  // namespace
}  // namespace quill::e2e::test
