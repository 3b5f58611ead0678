#pragma once
// Runs a piece of code when the scope it was made in is left, however it is
// left: for the second half of a pair of calls that must both happen.

#include <utility>

namespace quill {

template <class OnExit>
class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(OnExit onExit) : onExit_(std::move(onExit)) {}
    ~ScopeExit() { onExit_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    OnExit onExit_;
};

}  // namespace quill
