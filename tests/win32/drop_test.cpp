// Drops through each of the window's three drop targets, with home-made data.

#include "drop_source.h"
#include "test_support.h"

namespace quill::win32::test {
namespace {

using DropTest = WindowTest;

using e2e::DropData;

// Data offering a file list, or only text when no paths are given.
DropData dragged(const std::vector<std::wstring>& paths) {
    return paths.empty() ? DropData(CF_UNICODETEXT, DropData::unicodeText(L"some dragged text"))
                         : DropData(CF_HDROP, DropData::fileList(paths));
}

DWORD dropOn(DropTarget& target, IDataObject& data) {
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target.DragEnter(&data, MK_LBUTTON, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target.Drop(&data, 0, POINTL{}, &effect), S_OK);
    return effect;
}

TEST_F(DropTest, EachTargetQueuesItsFilesInReverse) {
    Form1& form = program.form();
    DropData text1Files = dragged({L"C:\\docs\\a.doc", L"C:\\会議 資料\\b.doc"});
    dropOn(window.dropTarget(DropOn::Text1), text1Files);
    pump();
    ASSERT_EQ(form.list2().count(), 2);
    EXPECT_EQ(form.list2().item(0), u"C:\\会議 資料\\b.doc");
    EXPECT_EQ(form.list2().item(1), u"C:\\docs\\a.doc");
    EXPECT_TRUE(::IsWindowEnabled(window.control(layout::kCommand2)));
    EXPECT_EQ(windowText(window.hwnd()), u"変換準備 OK");
    EXPECT_EQ(windowText(window.control(layout::kText1)), u"変換準備 OK");

    DropData buttonFiles = dragged({L"C:\\docs\\c.pdf"});
    dropOn(window.dropTarget(DropOn::Command2), buttonFiles);
    DropData formFiles = dragged({L"C:\\docs\\p.htm"});
    dropOn(window.dropTarget(DropOn::Form), formFiles);
    pump();
    EXPECT_EQ(form.list2().count(), 4);
    EXPECT_EQ(form.list2().item(3), u"C:\\docs\\p.htm");
    EXPECT_TRUE(form.state().htmlGiven);
    EXPECT_EQ(form.list1().count(), 0);

    // Dragged text offers no file list: nothing is queued, the flag clears.
    DropData text = dragged({});
    dropOn(window.dropTarget(DropOn::Text1), text);
    pump();
    EXPECT_EQ(form.list2().count(), 4);
    EXPECT_FALSE(form.state().htmlGiven);
}

// The paths are only read: a source is told of a copy or a link, never of a
// move after which it would delete its original.
TEST_F(DropTest, ReportsNoMove) {
    DropData files = dragged({L"C:\\docs\\a.doc"});
    DropTarget& target = window.dropTarget(DropOn::Form);
    const auto reported = [&](DWORD allowed) {
        DWORD entered = allowed;
        EXPECT_EQ(target.DragEnter(&files, MK_LBUTTON, POINTL{}, &entered), S_OK);
        DWORD over = allowed;
        EXPECT_EQ(target.DragOver(MK_LBUTTON, POINTL{}, &over), S_OK);
        EXPECT_EQ(entered, over);
        return entered;
    };
    EXPECT_EQ(reported(DROPEFFECT_MOVE), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(reported(DROPEFFECT_MOVE | DROPEFFECT_LINK), static_cast<DWORD>(DROPEFFECT_LINK));
    DWORD dropped = DROPEFFECT_MOVE;
    EXPECT_EQ(target.Drop(&files, 0, POINTL{}, &dropped), S_OK);
    EXPECT_EQ(dropped, static_cast<DWORD>(DROPEFFECT_NONE));
    pump();
    EXPECT_EQ(program.form().list2().count(), 1);  // the paths are taken as before
}

TEST_F(DropTest, TheThreeTargetsAreRegistered) {
    DropTarget other([](quill::DropData) {});
    for (HWND target :
         {window.hwnd(), window.control(layout::kCommand2), window.control(layout::kText1)}) {
        EXPECT_EQ(::RegisterDragDrop(target, &other), DRAGDROP_E_ALREADYREGISTERED);
    }
    EXPECT_EQ(::RegisterDragDrop(window.control(layout::kList1), &other), S_OK);
    ::RevokeDragDrop(window.control(layout::kList1));
}

TEST_F(DropTest, UnsupportedFilesLeaveTheButtonDisabled) {
    DropData files = dragged({L"C:\\docs\\setup.exe", L"C:\\docs\\report.docx"});
    dropOn(window.dropTarget(DropOn::Form), files);
    pump();
    EXPECT_EQ(program.form().list2().count(), 0);
    EXPECT_FALSE(::IsWindowEnabled(window.control(layout::kCommand2)));
    EXPECT_EQ(windowText(window.hwnd()), u"Quillmark");
}

}  // namespace
}  // namespace quill::win32::test
