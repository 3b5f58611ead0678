#include "converter/foreground.h"

#include "scope_exit.h"

namespace quill {

void forceForeground(Platform& platform, WindowHandle window) {
    const ThreadId foregroundThread = platform.windowThread(platform.foregroundWindow());
    const ThreadId ownThread = platform.uiThread();
    const bool attach = foregroundThread != ownThread;
    if (attach) platform.attachThreadInput(ownThread, foregroundThread, true);
    const ScopeExit detach([&] {
        if (attach) platform.attachThreadInput(ownThread, foregroundThread, false);
    });

    const std::uint32_t saved = platform.foregroundLockTimeout();
    platform.setForegroundLockTimeout(0);
    platform.setForegroundWindow(window);
    platform.setForegroundLockTimeout(saved);
}

}  // namespace quill
