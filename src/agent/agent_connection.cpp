#include "agent/agent_connection.h"

#include <chrono>
#include <cstdio>

#include "agent/agent_server.h"
#include "agent/json_rpc.h"
#include "agent/websocket_channel.h"
#include "common/secure_buffer.h"
#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

// Pages are numbered from 1 in the order they connect; the agent runs on one thread.
CallOwner NextOwner()
{
    static CallOwner last = kNoOwner;
    return ++last;
}

// A page's call waiting in the process-wide queue. It shares the page's control, so the control
// lives until the call has returned even if the page has gone meanwhile.
class ConnectionCall final : public QueuedCall {
public:
    ConnectionCall(AgentServer& server, AgentConnection& connection, PreparedCall call)
        : server_(server)
        , connection_(&connection)
        , owner_(connection.Owner())
        , control_(connection.Control())
        , call_(std::move(call))
    {
    }

    CallOwner Owner() const override { return owner_; }

    void Run() override
    {
        const auto started = std::chrono::steady_clock::now();
        std::optional<int32_t> status;
        std::string reply = server_.Calls().Run(call_, *control_, &status);
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - started;
        const std::string_view name
            = call_.method != nullptr ? call_.method->name : Dispatcher::kDescribeMethod;
        char line[160];
        std::snprintf(line, sizeof line, "call %.*s %.3f ms -> %s", static_cast<int>(name.size()),
            name.data(), took.count(), status ? std::to_string(*status).c_str() : "text");
        server_.Log(line);
        if (connection_) {
            connection_->CallFinished();
            if (!reply.empty()) {
                connection_->Answer(reply);
            }
        }
        WipeString(reply);
    }

private:
    AgentServer& server_;
    QPointer<AgentConnection> connection_;
    CallOwner owner_;
    std::shared_ptr<CVelkorCtrl> control_;
    PreparedCall call_;
};

} // namespace

AgentConnection::AgentConnection(AgentServer& server, WebSocketChannel* channel, QString origin)
    : QObject(&server)
    , server_(server)
    , channel_(channel)
    , control_(std::make_shared<CVelkorCtrl>(server.ControlUi()))
    , peer_(std::move(origin))
    , owner_(NextOwner())
{
    channel->setParent(this);
    WebSocketChannel::Handlers handlers;
    handlers.text = [this](std::string_view message) { OnTextMessage(message); };
    handlers.closed = [this] { OnDisconnected(); };
    channel->SetHandlers(std::move(handlers));
}

AgentConnection::~AgentConnection()
{
    delete channel_.data();
}

void AgentConnection::Answer(const std::string& reply)
{
    if (channel_ && channel_->IsOpen()) {
        channel_->SendText(reply);
    }
}

void AgentConnection::OnTextMessage(std::string_view message)
{
    Dispatcher::Outcome outcome = server_.Calls().Dispatch(message);
    if (!outcome.reply.empty()) {
        Answer(outcome.reply);
        return;
    }
    if (!outcome.call) {
        return;
    }
    const RequestId id = outcome.call->id;
    const bool notification = outcome.call->notification;
    bool queued = false;
    if (pendingCalls_ < server_.Limits().maxPendingPerConnection) {
        queued = server_.Queue().Enqueue(
            std::make_unique<ConnectionCall>(server_, *this, std::move(*outcome.call)));
    }
    if (queued) {
        ++pendingCalls_;
        return;
    }
    server_.Log(
        "refused a call of " + EscapedForLog(peer_.toStdString()) + ": too many pending calls");
    if (!notification) {
        Answer(rpc::ErrorMessage(id, rpc::kQueueFull, "too many pending calls, try again later"));
    }
}

void AgentConnection::OnDisconnected()
{
    server_.ConnectionClosed(this);
}

} // namespace velkor
