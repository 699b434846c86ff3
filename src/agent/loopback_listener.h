#pragma once

#include <cstdint>
#include <functional>

#include <QHostAddress>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace velkor {

// A listening TCP socket whose accept loop survives running out of file descriptors. When accept
// fails for lack of descriptors or memory, the waiting connection stays in the backlog and the
// socket stays readable: watching it would wake the event loop again at once and spin. Instead the
// listener stops watching and tries again after a pause that doubles up to a bound.
class LoopbackListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstBackoffMs = 25;
    static constexpr int kLongestBackoffMs = 1000;

    // Receives each accepted connection's descriptor (non-blocking, close-on-exec).
    explicit LoopbackListener(std::function<void(int)> accepted, QObject* parent = nullptr);
    ~LoopbackListener() override;

    bool Listen(const QHostAddress& address, uint16_t port, QString& error);
    // Takes over a socket that is already listening (socket activation). Refused, and closed,
    // unless it is a listening TCP socket bound to a loopback address: the agent must never be
    // reachable from the network, whoever configured the socket.
    bool Adopt(int descriptor, QString& error);
    uint16_t Port() const { return port_; }
    bool BackingOff() const { return backoff_.isActive(); }

private:
    void StartWatching();
    void OnReadable();

    std::function<void(int)> accepted_;
    int fd_ = -1;
    uint16_t port_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    QTimer backoff_;
    int backoffMs_ = kFirstBackoffMs;
};

} // namespace velkor
