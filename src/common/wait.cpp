#include "common/wait.h"

#include <chrono>
#include <thread>

namespace velkor {

namespace {
WaitHook& CurrentHook()
{
    static WaitHook hook;
    return hook;
}
} // namespace

void WaitMilliseconds(int milliseconds)
{
    if (const auto& hook = CurrentHook()) {
        hook(milliseconds);
        return;
    }
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

ScopedWaitHook::ScopedWaitHook(WaitHook hook)
    : previous_(std::move(CurrentHook()))
{
    CurrentHook() = std::move(hook);
}

ScopedWaitHook::~ScopedWaitHook()
{
    CurrentHook() = std::move(previous_);
}

} // namespace velkor
