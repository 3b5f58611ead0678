// The window's life around the runs: its three drop targets, a second
// instance, the text-only run, and closing while a run waits.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "expected_page.h"
#include "quill_form.h"
#include "session.h"
#include "win_util.h"

namespace quill::e2e::test {
namespace {

using Lines = std::vector<std::wstring>;
using Lifecycle = QuillmarkTest;

// Counts Enter presses anywhere on the desktop, from a thread of its own that
// keeps a low-level keyboard hook serviced.
std::atomic<int> gEnterPresses{0};

LRESULT CALLBACK countEnter(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && wparam == WM_KEYDOWN &&
        reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam)->vkCode == VK_RETURN)
        ++gEnterPresses;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

class EnterWatch {
public:
    EnterWatch() {
        thread_ = std::thread([this] {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
            threadId_ = GetCurrentThreadId();
            UniqueHook hook(
                SetWindowsHookExW(WH_KEYBOARD_LL, countEnter, GetModuleHandleW(nullptr), 0));
            state_ = hook.get() ? 1 : -1;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        });
        (void)pollUntil([&] { return state_ != 0; }, kPatience);
    }
    EnterWatch(const EnterWatch&) = delete;
    EnterWatch& operator=(const EnterWatch&) = delete;
    ~EnterWatch() {
        (void)pollUntil([&] { return threadId_ != 0; }, kPatience);
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    [[nodiscard]] bool ok() const { return state_ == 1; }
    [[nodiscard]] int presses() const { return gEnterPresses; }

private:
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<int> state_{0};
};

// Visible Quillmark windows of a process.
int windowsOf(DWORD pid) {
    struct Count {
        DWORD pid;
        int n;
    } count{pid, 0};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* c = reinterpret_cast<Count*>(param);
            wchar_t cls[64] = {};
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == c->pid && IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 64) &&
                std::wstring_view(cls) == form::kWindowClass)
                ++c->n;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
}

TEST_F(Lifecycle, DropTargetsSecondInstanceAndTheTextOnlyRun) {
    EXPECT_EQ(toUtf8(controlText(form::kText1)), toUtf8(kPrompt));
    EXPECT_EQ(toUtf8(controlText(form::kCommand2)), toUtf8(kStart));
    EXPECT_FALSE(controlEnabled(form::kCommand2));

    // One document on each target; Command2 takes drops once it is enabled.
    const std::wstring one = document(L"一 text1.doc", "1\r\n");
    const std::wstring two = document(L"二 command2.doc", "2\r\n");
    const std::wstring three = document(L"三 form.doc", "3\r\n");
    dropDocuments(Target::text1, {one});
    EXPECT_EQ(toUtf8(caption()), toUtf8(kReady));
    ASSERT_TRUE(controlEnabled(form::kCommand2));
    dropDocuments(Target::command2, {two});
    dropDocuments(Target::form, {three});

    // A second Quillmark ends at once, without a window, and leaves the first alone.
    const Process second = start(quoteArg(appDir() + L"\\Quillmark.exe"), Console::detached);
    bool secondWindow = false;
    EXPECT_TRUE(pollUntil(
        [&] {
            if (windowsOf(second.pid()) > 0) secondWindow = true;
            return WaitForSingleObject(second.handle(), 0) == WAIT_OBJECT_0;
        },
        kPatience))
        << "the second instance keeps running";
    EXPECT_EQ(second.wait(0), 0u);
    EXPECT_FALSE(secondWindow) << "the second instance showed a window";
    second.kill();
    EXPECT_FALSE(quillmark().wait(0).has_value()) << "the first instance ended";
    EXPECT_EQ(FindWindowW(form::kWindowClass, nullptr), form());
    EXPECT_EQ(toUtf8(controlText(form::kText1)), toUtf8(kReady));

    // The text-only run converts the queue, in queue order, and writes no page.
    click(form::kCommand3);
    EXPECT_TRUE(pollUntil([&] { return !newConsoles().empty(); }, kPatience))
        << "no console opened";
    const auto textsDone = [&] {
        for (const wchar_t* txt : {L"一 text1.txt", L"二 command2.txt", L"三 form.txt"})
            if (!fileExists(docPath(txt))) return false;
        return consoleGone();
    };
    ASSERT_TRUE(pollUntil(textsDone, kRunLimit)) << "the text-only run did not finish";
    const Lines queue{commandFor(one), commandFor(two), commandFor(three)};
    EXPECT_EQ(converterLog(), queue);
    for (const auto& name : docFolder()) EXPECT_FALSE(name.ends_with(L".html")) << toUtf8(name);
    EXPECT_EQ(toUtf8(caption()), toUtf8(kReady));
    EXPECT_EQ(toUtf8(controlText(form::kText1)), toUtf8(kReady));
    EXPECT_EQ(toUtf8(controlText(form::kCommand2)), toUtf8(kStart));
    EXPECT_TRUE(controlEnabled(form::kCommand2));
    EXPECT_TRUE(topmost());
    EXPECT_EQ(getClipboardText(clipboardOwner()), std::wstring(L"exit"));
    // Enter was the text-only run's last step: once Quillmark's thread answers a
    // message sent now, the run is over and a press will not be ignored.
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(form(), WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result));

    // The queue is still there: the HTML run converts it again and makes the pages.
    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    Lines twice = queue;
    twice.insert(twice.end(), queue.begin(), queue.end());
    EXPECT_EQ(converterLog(), twice);
    EXPECT_EQ(readFileBytes(docPath(L"二 command2.html")),
              expectedPage("\x93\xF1 command2", {"<P>2<br>", "<br>", "</P><br>"}));  // 二
    EXPECT_TRUE(fileExists(docPath(L"一 text1.html")));
    EXPECT_TRUE(fileExists(docPath(L"三 form.html")));
}

TEST_F(Lifecycle, ClosingWhileTheRunWaitsForTheConsoleEndsQuillmarkAtOnce) {
    const std::wstring slow = document(L"遅い.doc", "#sleep 10000\r\nslow\r\n");
    dropDocuments(Target::text1, {slow});
    const EnterWatch enter;
    ASSERT_TRUE(enter.ok());

    click(form::kCommand2);
    ASSERT_TRUE(pollUntil([&] { return converterLog().size() == 1; }, kRunLimit))
        << "the converter did not start";
    // "exit" and Enter are sent once the commands are in; then the run waits.
    ASSERT_TRUE(pollUntil([&] { return enter.presses() > 0; }, kRunLimit))
        << "Quillmark did not send Enter";
    PostMessageW(form(), WM_CLOSE, 0, 0);
    const auto code = quillmark().wait(kPatience);
    const bool converterDone = fileExists(docPath(L"遅い.txt"));
    EXPECT_EQ(code, 0u) << "Quillmark did not end cleanly";
    EXPECT_FALSE(converterDone) << "Quillmark waited for the console before it closed";
    EXPECT_TRUE(startedByQuillmark(L"cmd.exe")) << "the console's cmd.exe is not seen";
    EXPECT_TRUE(converterRunning()) << "the converter is not seen";

    // The console finishes on its own.
    EXPECT_TRUE(
        pollUntil([&] { return fileExists(docPath(L"遅い.txt")) && consoleGone(); }, 60000));
}

// Started with two documents (sent to it, dropped on its icon), then started
// again with a third: the second start hands it over and ends, and one press
// converts all three. Nothing but a list of paths reaches the queue.
class OpenedWithDocuments : public QuillmarkTest {
protected:
    std::vector<std::wstring> documentsAtStart() override {
        return {document(L"一 送る.doc", "1\r\n"), document(L"二 送る.doc", "2\r\n")};
    }
};

TEST_F(OpenedWithDocuments, ASecondStartHandsItsDocumentOverAndOnePressConvertsAll) {
    EXPECT_TRUE(pollUntil([&] { return controlText(form::kText1) == kReady; }, kPatience))
        << "the documents of the command line were not taken";
    const std::wstring third = document(L"三 二度目.doc", "3\r\n");

    static constexpr wchar_t kMarker[] = L"(nothing taken)";
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(GetDlgItem(form(), form::kText1), WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(kMarker), SMTO_NORMAL, kPatience,
                                    &result));
    const UniqueWindow sender(CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, GetModuleHandleW(nullptr), nullptr));
    const auto hand = [&](ULONG_PTR tag, std::wstring paths, std::size_t bytes) {
        COPYDATASTRUCT data{tag, static_cast<DWORD>(bytes), paths.data()};
        DWORD_PTR taken = FALSE;
        return SendMessageTimeoutW(form(), WM_COPYDATA, reinterpret_cast<WPARAM>(sender.get()),
                                   reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, kPatience,
                                   &taken) != 0 &&
               taken == TRUE;
    };
    const std::wstring listed = third + L'\0';
    const std::size_t size = listed.size() * sizeof(wchar_t);
    EXPECT_FALSE(hand(form::kHandOverTag + 1, listed, size));        // not ours
    EXPECT_FALSE(hand(form::kHandOverTag, listed, size - 1));        // half a character
    EXPECT_FALSE(hand(form::kHandOverTag, listed, size - 2));        // no NUL at its end
    EXPECT_FALSE(hand(form::kHandOverTag, L"三.doc\0", 2 * 6));     // relative
    std::wstring huge(std::size_t{1} << 22, L'a');                   // over-long
    EXPECT_FALSE(hand(form::kHandOverTag, L"C:\\" + huge + L'\0', (huge.size() + 4) * 2));
    EXPECT_EQ(toUtf8(controlText(form::kText1)), toUtf8(kMarker));

    const Process second =
        start(quoteArg(appDir() + L"\\Quillmark.exe") + L" " + quoteArg(third),
              Console::detached);
    EXPECT_EQ(second.wait(kPatience), std::optional<DWORD>(0)) << "the second start did not end";
    EXPECT_EQ(windowsOf(second.pid()), 0);
    second.kill();
    EXPECT_TRUE(pollUntil([&] { return controlText(form::kText1) == kReady; }, kPatience))
        << "the handed document was not taken";

    expectUsualRun(runHtml());
    expectIdleAfterRun(kPrompt);
    EXPECT_EQ(converterLog().size(), 3u);
    for (const wchar_t* page : {L"一 送る.html", L"二 送る.html", L"三 二度目.html"})
        EXPECT_TRUE(fileExists(docPath(page))) << toUtf8(page);
}

}  // namespace
}  // namespace quill::e2e::test
