// Quillmark: turns dropped office documents into plain HTML pages, through
// the xdoc2txt converter run in a command console.

#include <windows.h>

#include <commctrl.h>

#include "hand_over.h"
#include "message_loop.h"
#include "program.h"
#include "scoped.h"
#include "ui/status_texts.h"
#include "wide.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const quill::win32::OleSession ole;
    if (!ole.ok()) return 1;

    quill::win32::Program program(instance, true);
    // Files dropped on the program's icon, sent to it, or opened with it: a
    // drop on this window, or on the one of the instance already running.
    switch (program.start(showCommand, quill::win32::commandLineFiles())) {
        case quill::win32::Program::Started::Running:
            break;
        case quill::win32::Program::Started::NoWindow:
        case quill::win32::Program::Started::Ended:
            return 0;
        case quill::win32::Program::Started::HandOverFailed:
            ::MessageBoxW(nullptr, quill::win32::toWide(quill::texts::kHandOverFailed).c_str(),
                          L"Quillmark", MB_OK | MB_ICONERROR);
            return 1;
    }
    return quill::win32::runMessageLoop(program.window().hwnd());
}
