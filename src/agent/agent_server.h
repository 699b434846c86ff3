#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>
#include <QString>

#include "agent/agent_options.h"
#include "agent/call_queue.h"
#include "agent/dispatcher.h"
#include "agent/origin_policy.h"
#include "control/method_table.h"
#include "control/ui.h"

namespace velkor {

class AgentConnection;
class LoopbackListener;
class WebSocketChannel;
struct HandshakeRequest;

// WebSocket close codes the agent refuses a connection with.
inline constexpr uint16_t kCloseOriginRefused = 4003; // page's origin is not allowed
inline constexpr uint16_t kClosePolicyViolation = 1008; // Host is not a loopback name + port
inline constexpr uint16_t kCloseTooManyConnections = 4029; // too many pages connected

// `text` for a log line: control characters (which could forge lines or drive a terminal), quotes
// and backslashes escaped, the length bounded. For anything a page or local program sent.
std::string EscapedForLog(std::string_view text);

// The local agent: JSON-RPC 2.0 over WebSocket on 127.0.0.1 and ::1, one control per accepted
// connection, every call through one process-wide queue. Connections from origins that are not
// allowed, or asking for a non-loopback Host, are closed before a control exists. The server owns
// the one Ui that every connection's control shows its message boxes with.
class AgentServer : public QObject {
    Q_OBJECT
public:
    explicit AgentServer(AgentOptions options,
        const std::vector<MethodInfo>& methods = AllMethods(), QObject* parent = nullptr);
    ~AgentServer() override;

    // Listens on both loopback addresses (IPv6 is skipped when the machine has none). With port 0
    // the system picks a free port, the same for both. With passed sockets, listens on those
    // instead; they must all be bound to one port, which pages then name in their Host.
    bool Listen(QString& error);
    uint16_t Port() const { return port_; }
    int ConnectionCount() const { return static_cast<int>(connections_.size()); }
    // True while accepting is paused for lack of file descriptors.
    bool AcceptBackingOff() const;
    const OriginPolicy& Origins() const { return origins_; }
    // Whether a page is connected or connecting, or a call (with its dialogs) runs or waits.
    bool Busy() const;

    // Used by connections.
    const Dispatcher& Calls() const { return dispatcher_; }
    Ui& ControlUi() { return *ui_; }
    CallQueue& Queue() { return queue_; }
    const AgentLimits& Limits() const { return options_.limits; }
    void Log(const std::string& line) const;
    void ConnectionClosed(AgentConnection* connection);

signals:
    // A connection was accepted or a page left.
    void Activity();

private:
    bool AdoptPassedSockets(QString& error);
    void OnAccepted(int descriptor);
    // False when the page is refused: its channel is closing and stays counted until closed.
    bool OnHandshake(WebSocketChannel* channel, const HandshakeRequest& request);
    void OnHandshakeRefused(const HandshakeRequest& request);

    AgentOptions options_;
    // Declared before the queue: waiting calls hold controls that use it.
    std::unique_ptr<Ui> ui_;
    Dispatcher dispatcher_;
    OriginPolicy origins_;
    CallQueue queue_;
    std::vector<std::unique_ptr<LoopbackListener>> listeners_;
    std::vector<AgentConnection*> connections_;
    int handshaking_ = 0;
    uint16_t port_ = 0;
};

} // namespace velkor
