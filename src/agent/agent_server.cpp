#include "agent/agent_server.h"

#include <algorithm>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QApplication>
#include <QNetworkInterface>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include "agent/agent_connection.h"
#include "agent/dialog_cancellation.h"
#include "agent/qt_ui.h"
#include "control/headless_ui.h"
#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

// A refused client that never completes the closing handshake is cut off after this.
constexpr int kRefusedCloseTimeoutMs = 2000;

// Answers are small and leave one per call; without this, Nagle's algorithm holds each one back
// until the page acknowledges the previous one. Linux passes the option on to accepted sockets.
void DisableNagle(const QWebSocketServer& listener)
{
    const int on = 1;
    ::setsockopt(
        static_cast<int>(listener.socketDescriptor()), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Qt message boxes need a QApplication; without one the boxes go to standard error.
std::unique_ptr<Ui> MakeControlUi(AgentUi choice)
{
    if (choice == AgentUi::Widgets
        && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        return std::make_unique<QtUi>();
    }
    return std::make_unique<HeadlessUi>();
}

bool HasIpv6Loopback()
{
    return QNetworkInterface::allAddresses().contains(QHostAddress(QHostAddress::LocalHostIPv6));
}

} // namespace

AgentServer::AgentServer(
    AgentOptions options, const std::vector<MethodInfo>& methods, QObject* parent)
    : QObject(parent)
    , options_(std::move(options))
    , ui_(MakeControlUi(options_.ui))
    , dispatcher_(methods)
    , queue_(static_cast<size_t>(std::max(1, options_.limits.maxWaitingCalls)))
{
    for (const auto& origin : options_.allowedOrigins) {
        origins_.Allow(origin);
    }
    if (!options_.cancelRunningDialog) {
        options_.cancelRunningDialog = CancelOpenDialogs;
    }
}

AgentServer::~AgentServer()
{
    // Connections own their sockets; they go before the listeners that accepted them.
    const auto connections = std::move(connections_);
    for (AgentConnection* connection : connections) {
        delete connection;
    }
}

bool AgentServer::Listen(QString& error)
{
    const bool anyPort = options_.port == 0;
    const bool ipv6 = HasIpv6Loopback();
    // With any port, the IPv6 listener may find the IPv4 listener's port taken: pick again.
    for (int attempt = 0; attempt < (anyPort ? 8 : 1); ++attempt) {
        listeners_.clear();
        port_ = options_.port;
        bool ok = true;
        for (const auto address : { QHostAddress::LocalHost, QHostAddress::LocalHostIPv6 }) {
            if (address == QHostAddress::LocalHostIPv6 && !ipv6) {
                continue;
            }
            auto listener = std::make_unique<QWebSocketServer>(
                QStringLiteral("velkor"), QWebSocketServer::NonSecureMode);
            if (!listener->listen(QHostAddress(address), port_)) {
                error = QStringLiteral("cannot listen on %1 port %2: %3")
                            .arg(QHostAddress(address).toString())
                            .arg(port_)
                            .arg(listener->errorString());
                ok = false;
                break;
            }
            port_ = listener->serverPort();
            DisableNagle(*listener);
            QWebSocketServer* raw = listener.get();
            connect(
                raw, &QWebSocketServer::newConnection, this, [this, raw] { OnNewConnection(raw); });
            listeners_.push_back(std::move(listener));
        }
        if (ok) {
            return true;
        }
    }
    listeners_.clear();
    return false;
}

void AgentServer::Log(const std::string& line) const
{
    if (options_.log) {
        options_.log(line);
    }
}

bool AgentServer::AdmitOrRefuse(QWebSocket* socket)
{
    const QByteArray host = socket->request().rawHeader("Host");
    const QString origin = socket->origin();
    uint16_t code = 0;
    QString reason;
    if (!IsLoopbackHost(std::string_view(host.constData(), host.size()), port_)) {
        code = kClosePolicyViolation;
        reason = QStringLiteral("host not allowed");
    } else if (!origins_.IsAllowed(origin.toStdString())) {
        code = kCloseOriginRefused;
        reason = QStringLiteral("origin not allowed");
    } else if (ConnectionCount() >= options_.limits.maxConnections) {
        code = kCloseTooManyConnections;
        reason = QStringLiteral("too many connections");
    }
    if (code == 0) {
        return true;
    }
    Log("refused connection (origin \"" + origin.toStdString() + "\", host \"" + host.toStdString()
        + "\"): " + reason.toStdString());
    socket->setParent(this);
    connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kRefusedCloseTimeoutMs, socket, [socket] { socket->abort(); });
    socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
    return false;
}

void AgentServer::OnNewConnection(QWebSocketServer* listener)
{
    while (listener->hasPendingConnections()) {
        QWebSocket* socket = listener->nextPendingConnection();
        if (socket == nullptr || !AdmitOrRefuse(socket)) {
            continue;
        }
        auto* connection = new AgentConnection(*this, socket);
        connections_.push_back(connection);
        Log("connection from " + connection->Peer().toStdString() + " ("
            + std::to_string(connections_.size()) + " open)");
    }
}

void AgentServer::ConnectionClosed(AgentConnection* connection)
{
    const auto it = std::find(connections_.begin(), connections_.end(), connection);
    if (it == connections_.end()) {
        return;
    }
    connections_.erase(it);
    queue_.DropWaiting(connection);
    if (queue_.RunningOwner() == connection) {
        Log("page went away during its call: cancelling its dialog");
        // First, so that the call sends nothing more to the card once its dialog is closed.
        connection->Control()->MarkPageLeft();
        if (options_.cancelRunningDialog) {
            options_.cancelRunningDialog();
        }
    }
    Log("connection from " + connection->Peer().toStdString() + " closed ("
        + std::to_string(connections_.size()) + " open)");
    connection->deleteLater();
}

} // namespace velkor
