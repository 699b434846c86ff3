#pragma once

#include <functional>

// The fixed waits of the card session (after disconnections, between recovery steps). Production
// sleeps for exactly the time asked; tests install a hook to record or shorten the waits.
namespace velkor {

void WaitMilliseconds(int milliseconds);

using WaitHook = std::function<void(int milliseconds)>;

// Replaces the sleep while alive; restores the previous behaviour on destruction.
class ScopedWaitHook {
public:
    explicit ScopedWaitHook(WaitHook hook);
    ScopedWaitHook(const ScopedWaitHook&) = delete;
    ScopedWaitHook& operator=(const ScopedWaitHook&) = delete;
    ~ScopedWaitHook();

private:
    WaitHook previous_;
};

} // namespace velkor
