// Quillmark: turns dropped office documents into plain HTML pages, through
// the xdoc2txt converter run in a command console.

#include <windows.h>

#include <commctrl.h>

#include "hand_over.h"
#include "main_window.h"
#include "message_loop.h"
#include "scoped.h"
#include "ui/status_texts.h"
#include "wide.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const quill::win32::OleSession ole;
    if (!ole.ok()) return 1;

    quill::win32::MainWindow window(instance, true);
    const bool shown = window.create(showCommand);
    if (!shown && !window.form().unloaded()) return 0;  // no window could be made
    // Files dropped on the program's icon, sent to it, or opened with it: a
    // drop on this window, or on the one of the instance already running.
    if (!window.form().OpenFiles(quill::win32::commandLineFiles())) {
        ::MessageBoxW(nullptr, quill::win32::toWide(quill::texts::kHandOverFailed).c_str(),
                      L"Quillmark", MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!shown) return 0;
    return quill::win32::runMessageLoop(window.hwnd());
}
