// Making a window the foreground window even where the system's foreground
// lock would refuse a plain request.

#include "ui/form1.h"

namespace quill {

void Form1::SetForceForegroundWindow(WindowHandle window) {
    const WindowHandle foreground = platform_.foregroundWindow();
    const ThreadId foregroundThread = platform_.windowThread(foreground);
    const ThreadId ownThread = platform_.uiThread();
    const bool attach = foregroundThread != ownThread;
    if (attach) platform_.attachThreadInput(ownThread, foregroundThread, true);

    const std::uint32_t saved = platform_.foregroundLockTimeout();
    platform_.setForegroundLockTimeout(0);
    platform_.setForegroundWindow(window);
    platform_.setForegroundLockTimeout(saved);

    if (attach) platform_.attachThreadInput(ownThread, foregroundThread, false);
}

}  // namespace quill
