#pragma once

// Runs an action when the scope is left, however it is left: the release of whatever a call
// raised around filter or host code (a hold, a mark, a state to put back).

#include <utility>

namespace Hyx {

/// The action must not throw: it may run while an exception is on its way out.
template <class Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : _action(std::move(action)) {}
    ~ScopeExit() { _action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action _action;
};

} // namespace Hyx
