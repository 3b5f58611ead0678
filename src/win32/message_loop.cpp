#include "message_loop.h"

namespace quill::win32 {

void dispatch(MSG& message, HWND dialog) {
    if (dialog && ::IsWindow(dialog) && ::IsDialogMessageW(dialog, &message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

bool pumpPending(HWND dialog) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        dispatch(message, dialog);
    }
    return true;
}

int runMessageLoop(HWND dialog) {
    MSG message;
    BOOL got;
    while ((got = ::GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        dispatch(message, dialog);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace quill::win32
