#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>
#include <QString>

#include "agent/agent_options.h"
#include "agent/page_services.h"
#include "control/method_table.h"

namespace velkor {

class LoopbackListener;
class WebSocketChannel;
struct HandshakeRequest;

// WebSocket close codes the agent refuses a connection with.
inline constexpr uint16_t kCloseOriginRefused = 4003; // page's origin is not allowed
inline constexpr uint16_t kClosePolicyViolation = 1008; // Host is not a loopback name + port
inline constexpr uint16_t kCloseTooManyConnections = 4029; // too many pages connected

// The local agent: JSON-RPC 2.0 over WebSocket on 127.0.0.1 and ::1, one control per accepted
// connection, every call through one process-wide queue. Connections asking for a non-loopback
// Host, and from sites that are refused (see ConsentPolicy), are closed before a control exists;
// a site the customer must first be asked about is opened but gets its control only once the
// customer agreed.
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
    int ConnectionCount() const { return pages_.PageCount(); }
    // True while accepting is paused for lack of file descriptors.
    bool AcceptBackingOff() const;
    const ConsentPolicy& Consent() { return pages_.Consent(); }
    CallQueue& Queue() { return pages_.Queue(); }
    // Whether a page is connected or connecting, or a call (with its dialogs) runs or waits.
    bool Busy() const;

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
    PageServices pages_;
    std::vector<std::unique_ptr<LoopbackListener>> listeners_;
    int handshaking_ = 0;
    uint16_t port_ = 0;
};

} // namespace velkor
