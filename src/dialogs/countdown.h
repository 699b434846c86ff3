#pragma once

#include <cstdint>

#include "common/text.h"
#include "dialogs/dialog_timers.h"
#include "dialogs/message_sink.h"

// The countdown that closes a secure dialog as cancelled when its time is up. It ticks every
// 200 ms, counts a second every fifth tick and shows the seconds left during the last minute.
namespace velkor {

inline constexpr int kCountdownTimerId = 4097;
inline constexpr int kCountdownPeriodMilliseconds = 200;
inline constexpr int32_t kDefaultTimeoutSeconds = 180;
inline constexpr uint32_t kCountdownColour = 0x0000FF; // red, as a COLORREF (0x00BBGGRR)

// Wording of the label: the web ATM transfer dialog logs out, the others leave the screen.
enum class CountdownWording { kLogout, kLeave };

struct CountdownLabel {
    Text text;
    bool visible = false;
    uint32_t colour = kCountdownColour;
};

class Countdown {
public:
    Countdown(CountdownWording wording, DialogTimers& timers, MessageSink& messages);

    // The TimeOut of the parameter document; 180 seconds when it has none.
    void SetSeconds(int32_t seconds) { secondsLeft_ = seconds; }
    // Starts timer 4097 with the label hidden.
    void Start();
    // Handles one tick of timer 4097. Returns true once, when the time has run out: the timer is
    // then stopped and the time-out message shown, and the dialog must end as cancelled. Ticks
    // after that (or before Start) do nothing.
    bool Tick();
    // Stops the timer when the dialog ends some other way.
    void Stop();

    int32_t SecondsLeft() const { return secondsLeft_; }
    bool Running() const { return running_; }
    const CountdownLabel& Label() const { return label_; }

    // The label text for `seconds`, right-aligned in three places.
    static Text FormatLabel(CountdownWording wording, int32_t seconds);

private:
    CountdownWording wording_;
    DialogTimers& timers_;
    MessageSink& messages_;
    int32_t secondsLeft_ = kDefaultTimeoutSeconds;
    int32_t ticks_ = 0;
    bool running_ = false;
    CountdownLabel label_;
};

} // namespace velkor
