#include "dialogs/qt_dialog_timers.h"

namespace velkor {

QtDialogTimers::QtDialogTimers(TickHandler handler, QObject* parent)
    : QObject(parent)
    , handler_(std::move(handler))
{
}

void QtDialogTimers::StartTimer(int id, int periodMilliseconds)
{
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        connect(timer.get(), &QTimer::timeout, this, [this, id] {
            if (handler_) {
                handler_(id);
            }
        });
    }
    timer->start(periodMilliseconds);
}

void QtDialogTimers::StopTimer(int id)
{
    if (const auto it = timers_.find(id); it != timers_.end()) {
        it->second->stop();
    }
}

void QtDialogTimers::StopAll()
{
    for (auto& entry : timers_) {
        entry.second->stop();
    }
}

bool QtDialogTimers::IsRunning(int id) const
{
    const auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive();
}

} // namespace velkor
