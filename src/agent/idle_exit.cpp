#include "agent/idle_exit.h"

#include <algorithm>

namespace velkor {

IdleExit::IdleExit(std::chrono::milliseconds quiet, std::function<bool()> busy,
    std::function<void()> idle, QObject* parent)
    : QObject(parent)
    , quiet_(quiet)
    , busy_(std::move(busy))
    , idle_(std::move(idle))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &IdleExit::OnTimeout);
}

void IdleExit::Restart()
{
    sawBusy_ = false;
    timer_.start(quiet_);
}

void IdleExit::OnTimeout()
{
    if (busy_()) {
        // A page, or a call whose page has gone, may keep the agent busy for long: look again
        // soon, and count the quiet period from when the work ended.
        sawBusy_ = true;
        timer_.start(std::min(quiet_, kBusyPoll));
        return;
    }
    if (sawBusy_) {
        Restart();
        return;
    }
    idle_();
}

} // namespace velkor
