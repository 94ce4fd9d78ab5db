#pragma once
// Restores state when a scope ends, also after an exception.
#include <utility>

template <class F>
class TScopeGuard {
public:
    explicit TScopeGuard(F action) : action_(std::move(action)) {}
    ~TScopeGuard() { action_(); }
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;

private:
    F action_;
};
