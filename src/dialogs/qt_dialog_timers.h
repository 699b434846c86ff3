#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "dialogs/dialog_timers.h"

// Window timers on the dialog's thread: each id gets a QTimer whose ticks are handed to the
// dialog's handler with that id.
namespace velkor {

class QtDialogTimers final : public QObject, public DialogTimers {
    Q_OBJECT
public:
    using TickHandler = std::function<void(int id)>;

    explicit QtDialogTimers(TickHandler handler, QObject* parent = nullptr);

    void StartTimer(int id, int periodMilliseconds) override;
    void StopTimer(int id) override;
    // Stops every timer (the dialog ended).
    void StopAll();
    bool IsRunning(int id) const;

private:
    TickHandler handler_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

} // namespace velkor
