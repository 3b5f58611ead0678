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

bool is_alt(DWORD key) {
    return key == VK_MENU || key == VK_LMENU || key == VK_RMENU;
}

TEST_F(Interruption, AnotherWindowTakingTheForegroundStopsTheRunAndKeepsTheRestQueued) {
    // The first source's conversion is still at work when the run stops.
    const std::wstring a = document(L"一.doc", "#sleep 3000\r\none\r\n");
    const std::wstring b = document(L"二.doc", "two\r\n");
    const std::wstring c = document(L"三.doc", "three\r\n");
    drop_documents(Target::text1, {c, b, a});

    {
        // At Quillmark's second Alt press, the start of the second paste.
        const KeyWindow other(L"another program");
        int alt_presses = 0;
        const ForegroundThief thief(other.hwnd(), [&](const KBDLLHOOKSTRUCT& key) {
            const bool injected_press = (key.flags & LLKHF_INJECTED) && !(key.flags & LLKHF_UP);
            return injected_press && is_alt(key.vkCode) && ++alt_presses == 2;
        });
        ASSERT_TRUE(thief.ok());
        expect_usual_run(run_html());
        EXPECT_TRUE(thief.struck());
        EXPECT_EQ(other.presses(), std::vector<WPARAM>{}) << "a key press reached the other window";
    }
    // The console was ended once the first conversion had finished: its page
    // is made. Were the console's command lost before it ran, that page
    // would be counted as not made.
    const bool first_ran = converter_log() == Lines{command_for(a)};
    expect_idle_after_run(interrupted(2, first_ran ? 0 : 1));
    if (win32::runningOnWine()) {  // Windows' console pastes without the helper and its log
        EXPECT_EQ(paste_log().size(), 1u) << "the second command reached the console";
    }
    if (first_ran) {
        EXPECT_EQ(read_file_bytes(doc_path(L"一.html")),
                  expected_page("\x88\xEA", {"<P>one<br>", "<br>", "</P><br>"}));  // 一
    }
    EXPECT_FALSE(file_exists(doc_path(L"二.txt")));

    // The next press converts what was left, in order, and makes its pages.
    expect_usual_run(run_html());
    expect_idle_after_run(kPrompt);
    const Lines log = converter_log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(Lines(log.end() - 2, log.end()), (Lines{command_for(b), command_for(c)}));
    EXPECT_EQ(read_file_bytes(doc_path(L"二.html")),
              expected_page("\x93\xF1", {"<P>two<br>", "<br>", "</P><br>"}));  // 二
    EXPECT_TRUE(file_exists(doc_path(L"三.html")));
}

}  // namespace
}  // namespace quill::e2e::test
