#pragma once
// A function the host installs and any thread may call. Callers take a
// reference to the current function and call it outside the lock, so a
// function that waits (for the GUI thread, say) never blocks the others,
// and replacing it never pulls it from under a running call.
#include <memory>
#include <mutex>

namespace gw {

template <typename Function>
class Hook {
public:
    void set(Function function) {
        auto next = function ? std::make_shared<const Function>(std::move(function)) : nullptr;
        std::lock_guard lock(mutex_);
        current_ = std::move(next);
    }
    // Null when nothing is installed.
    std::shared_ptr<const Function> get() const {
        std::lock_guard lock(mutex_);
        return current_;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const Function> current_;
};

} // namespace gw
