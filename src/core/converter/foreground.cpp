#include "converter/foreground.h"

#include "scope_exit.h"

namespace quill {

void forceForeground(Foreground& foreground, WindowHandle window) {
    const ThreadId foregroundThread = foreground.windowThread(foreground.foregroundWindow());
    const ThreadId ownThread = foreground.uiThread();
    const bool attach = foregroundThread != ownThread;
    if (attach) foreground.attachThreadInput(ownThread, foregroundThread, true);
    const ScopeExit detach([&] {
        if (attach) foreground.attachThreadInput(ownThread, foregroundThread, false);
    });

    const std::uint32_t saved = foreground.foregroundLockTimeout();
    foreground.setForegroundLockTimeout(0);
    foreground.setForegroundWindow(window);
    foreground.setForegroundLockTimeout(saved);
}

}  // namespace quill
