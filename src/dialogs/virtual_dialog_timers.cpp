#include "dialogs/virtual_dialog_timers.h"

#include <algorithm>

namespace velkor {

void VirtualDialogTimers::StartTimer(int id, int periodMilliseconds)
{
    const int64_t period = std::max(periodMilliseconds, 1);
    timers_[id] = Timer { period, now_ + period };
}

void VirtualDialogTimers::StopTimer(int id)
{
    timers_.erase(id);
}

void VirtualDialogTimers::Advance(int64_t milliseconds)
{
    const int64_t target = now_ + std::max<int64_t>(milliseconds, 0);
    for (;;) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= target
                && (next == timers_.end() || it->second.due < next->second.due)) {
                next = it;
            }
        }
        if (next == timers_.end()) {
            break;
        }
        now_ = next->second.due;
        next->second.due += next->second.period;
        const int id = next->first;
        if (handler_) {
            handler_(id);
        }
    }
    now_ = target;
}

} // namespace velkor
