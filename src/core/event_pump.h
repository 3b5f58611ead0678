#pragma once
// The window's message loop as the procedures see it: one pass over the
// pending events, and a sleep that keeps the window responsive. Any handler
// of the window may run inside either, closing the window too; the
// procedure that yielded then ends by raising WindowUnloaded.

#include <cstdint>

#include "failure.h"
#include "platform.h"

namespace quill {

class EventPump {
public:
    explicit EventPump(EventLoop& loop) : loop_(loop) {}

    void yieldOnce() {
        loop_.doEvents();
        throwIfUnloaded();
    }
    void pause(std::uint32_t milliseconds) {
        loop_.sleep(milliseconds);
        throwIfUnloaded();
    }
    // For the other waits that let window events run.
    void throwIfUnloaded() const {
        if (unloaded_) throw WindowUnloaded{};
    }

    void markUnloaded() noexcept { unloaded_ = true; }
    [[nodiscard]] bool unloaded() const noexcept { return unloaded_; }

private:
    EventLoop& loop_;
    bool unloaded_ = false;
};

}  // namespace quill
