#include "dialogs/countdown.h"

#include <cstdio>

#include "dialogs/dialog_texts.h"

namespace velkor {

namespace {
constexpr int kTicksPerSecond = 1000 / kCountdownPeriodMilliseconds;
constexpr int32_t kShownFromSeconds = 60;
} // namespace

Countdown::Countdown(CountdownWording wording, DialogTimers& timers, MessageSink& messages)
    : wording_(wording)
    , timers_(timers)
    , messages_(messages)
{
}

void Countdown::Start()
{
    ticks_ = 0;
    label_.visible = false;
    running_ = true;
    timers_.StartTimer(kCountdownTimerId, kCountdownPeriodMilliseconds);
}

bool Countdown::Tick()
{
    if (!running_) {
        return false;
    }
    ++ticks_;
    if (ticks_ % kTicksPerSecond == 0) {
        --secondsLeft_;
        label_.text = FormatLabel(wording_, secondsLeft_);
        label_.colour = kCountdownColour;
        label_.visible = secondsLeft_ <= kShownFromSeconds;
    }
    if (secondsLeft_ < 1) {
        Stop();
        messages_.ShowMessage(dialog_text::kTimedOut, kBankCaption);
        return true;
    }
    return false;
}

void Countdown::Stop()
{
    if (running_) {
        running_ = false;
        timers_.StopTimer(kCountdownTimerId);
    }
}

Text Countdown::FormatLabel(CountdownWording wording, int32_t seconds)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%3d", static_cast<int>(seconds));
    Text text(digits, digits + std::char_traits<char>::length(digits));
    return text
        + (wording == CountdownWording::kLogout ? dialog_text::kLogoutSuffix
                                                : dialog_text::kLeaveSuffix);
}

} // namespace velkor
