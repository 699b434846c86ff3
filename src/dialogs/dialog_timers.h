#pragma once

// The window timers a dialog runs (countdown, card polling), addressed by id so that the
// decision code does not depend on the window system. The Qt dialogs use QtDialogTimers; tests
// drive the ticks by hand.
namespace velkor {

class DialogTimers {
public:
    virtual ~DialogTimers() = default;
    virtual void StartTimer(int id, int periodMilliseconds) = 0;
    virtual void StopTimer(int id) = 0;
};

} // namespace velkor
