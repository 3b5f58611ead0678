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
std::atomic<int> g_enter_presses{0};

LRESULT CALLBACK count_enter(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && wparam == WM_KEYDOWN &&
        reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam)->vkCode == VK_RETURN)
        ++g_enter_presses;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

class EnterWatch {
public:
    EnterWatch() {
        thread_ = std::thread([this] {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
            thread_id_ = GetCurrentThreadId();
            UniqueHook hook(
                SetWindowsHookExW(WH_KEYBOARD_LL, count_enter, GetModuleHandleW(nullptr), 0));
            state_ = hook.get() ? 1 : -1;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        });
        (void)poll_until([&] { return state_ != 0; }, kPatience);
    }
    EnterWatch(const EnterWatch&) = delete;
    EnterWatch& operator=(const EnterWatch&) = delete;
    ~EnterWatch() {
        (void)poll_until([&] { return thread_id_ != 0; }, kPatience);
        PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
        thread_.join();
    }
    [[nodiscard]] bool ok() const { return state_ == 1; }
    [[nodiscard]] int presses() const { return g_enter_presses; }

private:
    std::thread thread_;
    std::atomic<DWORD> thread_id_{0};
    std::atomic<int> state_{0};
};

// Visible Quillmark windows of a process.
int windows_of(DWORD pid) {
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
    EXPECT_EQ(to_utf8(control_text(form::kText1)), to_utf8(kPrompt));
    EXPECT_EQ(to_utf8(control_text(form::kCommand2)), to_utf8(kStart));
    EXPECT_FALSE(control_enabled(form::kCommand2));

    // One document on each target; Command2 takes drops once it is enabled.
    const std::wstring one = document(L"一 text1.doc", "1\r\n");
    const std::wstring two = document(L"二 command2.doc", "2\r\n");
    const std::wstring three = document(L"三 form.doc", "3\r\n");
    drop_documents(Target::text1, {one});
    EXPECT_EQ(to_utf8(caption()), to_utf8(kReady));
    ASSERT_TRUE(control_enabled(form::kCommand2));
    drop_documents(Target::command2, {two});
    drop_documents(Target::form, {three});

    // A second Quillmark ends at once, without a window, and leaves the first alone.
    const Process second = start(quote_arg(app_dir() + L"\\Quillmark.exe"), Console::detached);
    bool second_window = false;
    EXPECT_TRUE(poll_until(
        [&] {
            if (windows_of(second.pid()) > 0) second_window = true;
            return WaitForSingleObject(second.handle(), 0) == WAIT_OBJECT_0;
        },
        kPatience))
        << "the second instance keeps running";
    EXPECT_EQ(second.wait(0), 0u);
    EXPECT_FALSE(second_window) << "the second instance showed a window";
    second.kill();
    EXPECT_FALSE(quillmark().wait(0).has_value()) << "the first instance ended";
    EXPECT_EQ(FindWindowW(form::kWindowClass, nullptr), form());
    EXPECT_EQ(to_utf8(control_text(form::kText1)), to_utf8(kReady));

    // The text-only run converts the queue, in queue order, and writes no page.
    click(form::kCommand3);
    EXPECT_TRUE(poll_until([&] { return !new_consoles().empty(); }, kPatience))
        << "no console opened";
    const auto texts_done = [&] {
        for (const wchar_t* txt : {L"一 text1.txt", L"二 command2.txt", L"三 form.txt"})
            if (!file_exists(doc_path(txt))) return false;
        return console_gone();
    };
    ASSERT_TRUE(poll_until(texts_done, kRunLimit)) << "the text-only run did not finish";
    const Lines queue{command_for(one), command_for(two), command_for(three)};
    EXPECT_EQ(converter_log(), queue);
    for (const auto& name : doc_folder()) EXPECT_FALSE(name.ends_with(L".html")) << to_utf8(name);
    EXPECT_EQ(to_utf8(caption()), to_utf8(kReady));
    EXPECT_EQ(to_utf8(control_text(form::kText1)), to_utf8(kReady));
    EXPECT_EQ(to_utf8(control_text(form::kCommand2)), to_utf8(kStart));
    EXPECT_TRUE(control_enabled(form::kCommand2));
    EXPECT_TRUE(topmost());
    EXPECT_EQ(get_clipboard_text(clipboard_owner()), std::wstring(L"exit"));
    // Enter was the text-only run's last step: once Quillmark's thread answers a
    // message sent now, the run is over and a press will not be ignored.
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(form(), WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result));

    // The queue is still there: the HTML run converts it again and makes the pages.
    expect_usual_run(run_html());
    expect_idle_after_run(kPrompt);
    Lines twice = queue;
    twice.insert(twice.end(), queue.begin(), queue.end());
    EXPECT_EQ(converter_log(), twice);
    EXPECT_EQ(read_file_bytes(doc_path(L"二 command2.html")),
              expected_page("\x93\xF1 command2", {"<P>2<br>", "<br>", "</P><br>"}));  // 二
    EXPECT_TRUE(file_exists(doc_path(L"一 text1.html")));
    EXPECT_TRUE(file_exists(doc_path(L"三 form.html")));
}

TEST_F(Lifecycle, ClosingWhileTheRunWaitsForTheConsoleEndsQuillmarkAtOnce) {
    const std::wstring slow = document(L"遅い.doc", "#sleep 10000\r\nslow\r\n");
    drop_documents(Target::text1, {slow});
    const EnterWatch enter;
    ASSERT_TRUE(enter.ok());

    click(form::kCommand2);
    ASSERT_TRUE(poll_until([&] { return converter_log().size() == 1; }, kRunLimit))
        << "the converter did not start";
    // "exit" and Enter are sent once the commands are in; then the run waits.
    ASSERT_TRUE(poll_until([&] { return enter.presses() > 0; }, kRunLimit))
        << "Quillmark did not send Enter";
    PostMessageW(form(), WM_CLOSE, 0, 0);
    const auto code = quillmark().wait(kPatience);
    const bool converter_done = file_exists(doc_path(L"遅い.txt"));
    EXPECT_EQ(code, 0u) << "Quillmark did not end cleanly";
    EXPECT_FALSE(converter_done) << "Quillmark waited for the console before it closed";
    EXPECT_TRUE(started_by_quillmark(L"cmd.exe")) << "the console's cmd.exe is not seen";
    EXPECT_TRUE(converter_running()) << "the converter is not seen";

    // The console finishes on its own.
    EXPECT_TRUE(
        poll_until([&] { return file_exists(doc_path(L"遅い.txt")) && console_gone(); }, 60000));
}

// Started with two documents (sent to it, dropped on its icon), then started
// again with a third: the second start hands it over and ends, and one press
// converts all three. Nothing but a list of paths reaches the queue.
class OpenedWithDocuments : public QuillmarkTest {
protected:
    std::vector<std::wstring> documents_at_start() override {
        return {document(L"一 送る.doc", "1\r\n"), document(L"二 送る.doc", "2\r\n")};
    }
};

TEST_F(OpenedWithDocuments, ASecondStartHandsItsDocumentOverAndOnePressConvertsAll) {
    EXPECT_TRUE(poll_until([&] { return control_text(form::kText1) == kReady; }, kPatience))
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
    EXPECT_EQ(to_utf8(control_text(form::kText1)), to_utf8(kMarker));

    const Process second =
        start(quote_arg(app_dir() + L"\\Quillmark.exe") + L" " + quote_arg(third),
              Console::detached);
    EXPECT_EQ(second.wait(kPatience), std::optional<DWORD>(0)) << "the second start did not end";
    EXPECT_EQ(windows_of(second.pid()), 0);
    second.kill();
    EXPECT_TRUE(poll_until([&] { return control_text(form::kText1) == kReady; }, kPatience))
        << "the handed document was not taken";

    expect_usual_run(run_html());
    expect_idle_after_run(kPrompt);
    EXPECT_EQ(converter_log().size(), 3u);
    for (const wchar_t* page : {L"一 送る.html", L"二 送る.html", L"三 二度目.html"})
        EXPECT_TRUE(file_exists(doc_path(page))) << to_utf8(page);
}

}  // namespace
}  // namespace quill::e2e::test
