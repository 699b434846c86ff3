#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "dialogs/dialog_timers.h"

// Dialog timers on a virtual clock: nothing ticks until Advance, which delivers every tick that
// falls due in the advanced span, in time order, instantly. Tests and the dialog script runner
// drive a dialog's timing with it.
namespace velkor {

class VirtualDialogTimers final : public DialogTimers {
public:
    using TickHandler = std::function<void(int id)>;

    void SetHandler(TickHandler handler) { handler_ = std::move(handler); }
    // A timer's first tick falls one period after its start.
    void StartTimer(int id, int periodMilliseconds) override;
    void StopTimer(int id) override;
    bool IsRunning(int id) const { return timers_.contains(id); }

    // Moves the clock on by `milliseconds`, delivering the ticks that fall due on the way (ties
    // in the order of the timers' ids). The handler may start and stop timers.
    void Advance(int64_t milliseconds);
    int64_t Now() const { return now_; }

private:
    struct Timer {
        int64_t period;
        int64_t due;
    };
    TickHandler handler_;
    std::map<int, Timer> timers_;
    int64_t now_ = 0;
};

} // namespace velkor
