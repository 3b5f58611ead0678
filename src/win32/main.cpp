// Quillmark: turns dropped office documents into plain HTML pages, through
// the xdoc2txt converter run in a command console.

#include <windows.h>

#include <commctrl.h>

#include "main_window.h"
#include "message_loop.h"
#include "scoped.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const quill::win32::OleSession ole;
    if (!ole.ok()) return 1;

    quill::win32::MainWindow window(instance, true);
    if (!window.create(showCommand)) return 0;
    return quill::win32::runMessageLoop(window.hwnd());
}
