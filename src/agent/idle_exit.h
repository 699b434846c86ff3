#pragma once

#include <chrono>
#include <functional>

#include <QObject>
#include <QTimer>

namespace velkor {

// Ends an agent that has had nothing to do for a quiet period: no page connected, no call running
// or waiting, so no dialog open. Started on demand by its socket unit, the agent then gives its
// memory back until a page needs it again; the socket stays with the service manager meanwhile,
// so a page that connects while the agent exits is served by the next one.
class IdleExit : public QObject {
    Q_OBJECT
public:
    // How often a busy agent is looked at again: the quiet period counts from the end of the work
    // to within this.
    static constexpr std::chrono::milliseconds kBusyPoll { 1000 };

    IdleExit(std::chrono::milliseconds quiet, std::function<bool()> busy,
        std::function<void()> idle, QObject* parent = nullptr);

    // Something happened (a page connected or left): the quiet period starts again.
    void Restart();

private:
    void OnTimeout();

    std::chrono::milliseconds quiet_;
    std::function<bool()> busy_;
    std::function<void()> idle_;
    QTimer timer_;
    bool sawBusy_ = false;
};

} // namespace velkor
