// The window as it starts: size, stacking, texts, what is in view, tab order,
// resources, and how it closes.

#include "test_support.h"
#include "version_resource.h"

namespace quill::win32::test {
namespace {

using WindowStartTest = WindowTest;

TEST_F(WindowStartTest, IsATopmostStripShowingPromptAndDisabledButton) {
    RECT outer{};
    ::GetWindowRect(window.hwnd(), &outer);
    EXPECT_EQ(::MulDiv(outer.right - outer.left, layout::kTwipsPerInch, window.dpi()), 3945);
    EXPECT_EQ(::MulDiv(outer.bottom - outer.top, layout::kTwipsPerInch, window.dpi()), 1455);
    EXPECT_TRUE(::GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    EXPECT_EQ(windowText(window.hwnd()), u"Quillmark");
    EXPECT_EQ(windowText(window.control(layout::kText1)), u"ファイルをここに落として下さい。");
    EXPECT_EQ(windowText(window.control(layout::kCommand2)), u"変換 開始");
    EXPECT_EQ(windowText(window.control(layout::kCommand3)), u"txt変換");
    EXPECT_FALSE(::IsWindowEnabled(window.control(layout::kCommand2)));
    EXPECT_TRUE(::IsWindowEnabled(window.control(layout::kCommand3)));
    EXPECT_EQ(program.form().state().appDir.back(), u'\\');
}

TEST_F(WindowStartTest, ControlsSitAtTheirTwipsWithOnlyTwoInView) {
    RECT client{};
    ::GetClientRect(window.hwnd(), &client);
    for (const layout::Control& planned : layout::kControls) {
        const HWND control = window.control(planned.id);
        ASSERT_NE(control, nullptr) << test::windowText(control).size();
        const TwipsRect at = controlTwips(window, control);
        // One pixel of rounding either way.
        const int pixel = layout::kTwipsPerInch / window.dpi() + 1;
        EXPECT_NEAR(at.left, planned.left, pixel);
        EXPECT_NEAR(at.top, planned.top, pixel);
        EXPECT_NEAR(at.width, planned.width, pixel);
        EXPECT_NEAR(at.height, planned.height, pixel);
        EXPECT_TRUE(::IsWindowVisible(control));

        RECT rect{};
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        const bool inView = rect.right <= client.right && rect.bottom <= client.bottom;
        const bool outOfView = rect.left >= client.right || rect.top >= client.bottom;
        const bool shown = planned.id == layout::kText1 || planned.id == layout::kCommand2;
        EXPECT_EQ(inView, shown);
        EXPECT_EQ(outOfView, !shown);
    }
}

TEST_F(WindowStartTest, TabVisitsEveryControlInOrder) {
    const auto tabOrder = [&] {
        std::vector<int> ids;
        HWND at = window.control(layout::kText1);
        for (int i = 0; i < 8; ++i) {
            ids.push_back(::GetDlgCtrlID(at));
            at = ::GetNextDlgTabItem(window.hwnd(), at, FALSE);
        }
        return ids;
    };
    using namespace layout;
    EXPECT_EQ(tabOrder(), (std::vector<int>{kText1, kList1, kList2, kCommand3, kRichTextBox1,
                                            kList3, kText1, kList1}));
    ::EnableWindow(window.control(kCommand2), TRUE);
    EXPECT_EQ(tabOrder(), (std::vector<int>{kText1, kCommand2, kList1, kList2, kCommand3,
                                            kRichTextBox1, kList3, kText1}));
}

TEST_F(WindowStartTest, ClosesOnceWithoutAQuestion) {
    program.form().Text1_OLEDragDrop(quill::DropData{true, {u"C:\\queued.doc"}});
    ASSERT_EQ(program.form().list2().count(), 1);
    ::SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_TRUE(program.form().unloaded());
}

TEST_F(WindowStartTest, LoggingOffClosesIt) {
    ::SendMessageW(window.hwnd(), WM_ENDSESSION, FALSE, 0);  // the session goes on
    EXPECT_NE(window.hwnd(), nullptr);
    ::SendMessageW(window.hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(window.hwnd(), nullptr);
}

TEST_F(WindowStartTest, ASleepEndsWhenTheWindowCloses) {
    ::PostMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    // Ten minutes unless the close ends it: the test's time limit would fail it.
    program.platform().sleep(600000);
    EXPECT_EQ(window.hwnd(), nullptr);
}

TEST(SecondInstance, ClosesBeforeShowingAndLeavesTheFirstAlone) {
    const OleSession ole;
    Program first(::GetModuleHandleW(nullptr), false);
    ASSERT_EQ(first.start(SW_SHOWNORMAL), Program::Started::Running);
    first.form().Text1_OLEDragDrop(quill::DropData{true, {u"C:\\queued.doc"}});

    Program second(::GetModuleHandleW(nullptr), false);
    EXPECT_EQ(second.start(SW_SHOWNORMAL), Program::Started::Ended);
    EXPECT_EQ(second.window().hwnd(), nullptr);

    EXPECT_NE(first.window().hwnd(), nullptr);
    EXPECT_EQ(first.form().list2().count(), 1);
    EXPECT_EQ(windowText(first.window().hwnd()), u"変換準備 OK");
}

// The program file's version resource and icon.
TEST(Resources, VersionAndIconOfTheProgram) {
    // A copy of the built program lies beside this test.
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self);
    program = program.substr(0, program.rfind(L'\\')) + L"\\Quillmark.exe";

    expectProjectVersionResource(program);

    const UniqueModule module(::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    const HRSRC group =
        ::FindResourceW(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
#pragma pack(push, 2)
    struct Entry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
    struct Directory {
        WORD reserved, type, count;
        Entry entries[3];
    };
#pragma pack(pop)
    const auto* directory =
        static_cast<const Directory*>(::LockResource(::LoadResource(module.get(), group)));
    ASSERT_EQ(directory->count, 3);
    EXPECT_EQ(directory->entries[0].width, 32);
    EXPECT_EQ(directory->entries[0].bits, 1);
    EXPECT_EQ(directory->entries[1].width, 32);
    EXPECT_EQ(directory->entries[1].bits, 4);
    EXPECT_EQ(directory->entries[2].width, 16);
    EXPECT_EQ(directory->entries[2].bits, 4);
}

}  // namespace
}  // namespace quill::win32::test
