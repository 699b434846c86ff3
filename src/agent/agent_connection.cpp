#include "agent/agent_connection.h"

#include <chrono>
#include <cstdio>

#include "agent/agent_server.h"
#include "agent/json_rpc.h"
#include "common/secure_buffer.h"
#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

void WipeQString(QString& text)
{
    if (!text.isEmpty() && !text.isDetached()) {
        text.clear(); // shared with someone else: only our reference goes
        return;
    }
    Wipe(text.data(), static_cast<size_t>(text.size()) * sizeof(QChar));
    text.clear();
}

// A page's call waiting in the process-wide queue. It shares the page's control, so the control
// lives until the call has returned even if the page has gone meanwhile.
class ConnectionCall final : public QueuedCall {
public:
    ConnectionCall(AgentServer& server, AgentConnection& connection, PreparedCall call)
        : server_(server)
        , connection_(&connection)
        , owner_(&connection)
        , control_(connection.Control())
        , call_(std::move(call))
    {
    }

    const void* Owner() const override { return owner_; }

    void Run() override
    {
        const auto started = std::chrono::steady_clock::now();
        std::optional<int32_t> status;
        std::string reply = server_.Calls().Run(call_, *control_, &status);
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - started;
        char line[160];
        std::snprintf(line, sizeof line, "call %.*s %.3f ms -> %s",
            static_cast<int>(call_.method->name.size()), call_.method->name.data(), took.count(),
            status ? std::to_string(*status).c_str() : "text");
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
    const void* owner_;
    std::shared_ptr<CVelkorCtrl> control_;
    PreparedCall call_;
};

} // namespace

AgentConnection::AgentConnection(AgentServer& server, QWebSocket* socket)
    : QObject(&server)
    , server_(server)
    , socket_(socket)
    , control_(std::make_shared<CVelkorCtrl>(server.ControlUi()))
    , peer_(socket->origin())
{
    socket->setParent(this);
    socket->setMaxAllowedIncomingFrameSize(static_cast<quint64>(server.Limits().maxMessageBytes));
    socket->setMaxAllowedIncomingMessageSize(static_cast<quint64>(server.Limits().maxMessageBytes));
    connect(socket, &QWebSocket::textMessageReceived, this, &AgentConnection::OnTextMessage);
    connect(socket, &QWebSocket::binaryMessageReceived, this, &AgentConnection::OnBinaryMessage);
    connect(socket, &QWebSocket::disconnected, this, &AgentConnection::OnDisconnected);
}

AgentConnection::~AgentConnection()
{
    if (socket_) {
        socket_->disconnect(this);
        delete socket_.data();
    }
}

void AgentConnection::Answer(const std::string& reply)
{
    if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    QString text = QString::fromUtf8(reply.data(), static_cast<qsizetype>(reply.size()));
    socket_->sendTextMessage(text);
    WipeQString(text);
}

void AgentConnection::OnTextMessage(const QString& message)
{
    QByteArray utf8 = message.toUtf8();
    Dispatcher::Outcome outcome
        = server_.Calls().Dispatch(std::string_view(utf8.constData(), utf8.size()));
    Wipe(utf8.data(), static_cast<size_t>(utf8.size()));
    if (!outcome.reply.empty()) {
        Answer(outcome.reply);
        return;
    }
    if (!outcome.call) {
        return;
    }
    const nlohmann::json id = outcome.call->id;
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
    server_.Log("refused a call of " + peer_.toStdString() + ": too many pending calls");
    if (!notification) {
        Answer(rpc::ErrorMessage(id, rpc::kQueueFull, "too many pending calls, try again later"));
    }
}

void AgentConnection::OnBinaryMessage()
{
    if (socket_) {
        socket_->close(QWebSocketProtocol::CloseCodeDatatypeNotSupported,
            QStringLiteral("JSON-RPC text frames only"));
    }
}

void AgentConnection::OnDisconnected()
{
    server_.ConnectionClosed(this);
}

} // namespace velkor
