#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include <QObject>
#include <QPointer>
#include <QString>

#include "agent/call_queue.h"

namespace velkor {

class AgentServer;
class CVelkorCtrl;
class WebSocketChannel;

// One page: its WebSocket and its own control. Frames are checked by the dispatcher in the socket
// handler; calls are only queued there and run later from the process-wide queue. The control is
// shared with a running call, so a page that goes away mid-call never takes the control from
// under it: the control is destroyed after the call returns.
class AgentConnection : public QObject {
    Q_OBJECT
public:
    // Takes over the open channel.
    AgentConnection(AgentServer& server, WebSocketChannel* channel, QString origin);
    ~AgentConnection() override;

    // Answers a call that ran; dropped when the page has gone.
    void Answer(const std::string& reply);
    void CallFinished() { --pendingCalls_; }
    const std::shared_ptr<CVelkorCtrl>& Control() const { return control_; }
    QString Peer() const { return peer_; }
    // This page's number in the call queue, never shared with another page of the process.
    CallOwner Owner() const { return owner_; }

private:
    void OnTextMessage(std::string_view message);
    void OnDisconnected();

    AgentServer& server_;
    QPointer<WebSocketChannel> channel_;
    std::shared_ptr<CVelkorCtrl> control_;
    int pendingCalls_ = 0;
    QString peer_;
    CallOwner owner_;
};

} // namespace velkor
