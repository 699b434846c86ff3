#include "agent/agent_server.h"

#include <algorithm>
#include <cstdio>

#include <unistd.h>

#include <QApplication>
#include <QNetworkInterface>

#include "agent/agent_connection.h"
#include "agent/dialog_cancellation.h"
#include "agent/loopback_listener.h"
#include "agent/qt_ui.h"
#include "agent/websocket_channel.h"
#include "control/headless_ui.h"
#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

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

std::string EscapedForLog(std::string_view text)
{
    constexpr size_t kLongest = 200;
    std::string out;
    for (const char c : text.substr(0, kLongest)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    if (text.size() > kLongest) {
        out += "...";
    }
    return out;
}

bool AgentServer::AdoptPassedSockets(QString& error)
{
    bool ok = true;
    for (const int descriptor : options_.passedSockets) {
        auto listener
            = std::make_unique<LoopbackListener>([this](int accepted) { OnAccepted(accepted); });
        QString reason;
        if (!ok || !listener->Adopt(descriptor, reason)) {
            if (ok) {
                error = QStringLiteral("cannot use the passed socket: %1").arg(reason);
            } else {
                ::close(descriptor); // taken over, even though the server will not start
            }
            ok = false;
            continue;
        }
        if (!listeners_.empty() && listener->Port() != port_) {
            error = QStringLiteral("the passed sockets listen on different ports (%1 and %2)")
                        .arg(port_)
                        .arg(listener->Port());
            ok = false;
        }
        port_ = listener->Port();
        listeners_.push_back(std::move(listener));
    }
    if (!ok) {
        listeners_.clear();
    }
    return ok;
}

bool AgentServer::Listen(QString& error)
{
    if (!options_.passedSockets.empty()) {
        return AdoptPassedSockets(error);
    }
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
            auto listener = std::make_unique<LoopbackListener>(
                [this](int descriptor) { OnAccepted(descriptor); });
            QString reason;
            if (!listener->Listen(QHostAddress(address), port_, reason)) {
                error = QStringLiteral("cannot listen on %1 port %2: %3")
                            .arg(QHostAddress(address).toString())
                            .arg(port_)
                            .arg(reason);
                ok = false;
                break;
            }
            port_ = listener->Port();
            listeners_.push_back(std::move(listener));
        }
        if (ok) {
            return true;
        }
    }
    listeners_.clear();
    return false;
}

bool AgentServer::AcceptBackingOff() const
{
    return std::any_of(listeners_.begin(), listeners_.end(),
        [](const auto& listener) { return listener->BackingOff(); });
}

bool AgentServer::Busy() const
{
    return !connections_.empty() || handshaking_ > 0 || queue_.RunningOwner() != kNoOwner
        || queue_.Waiting() > 0;
}

void AgentServer::Log(const std::string& line) const
{
    if (options_.log) {
        options_.log(line);
    }
}

void AgentServer::OnAccepted(int descriptor)
{
    // Connections still in their handshake, or refused and closing, count against the same bound
    // as open ones, so that half-open or refused connections cannot hold every descriptor, nor the
    // memory of what they send meanwhile.
    if (handshaking_ >= options_.limits.maxConnections) {
        ::close(descriptor);
        return;
    }
    auto* channel = new WebSocketChannel(descriptor, options_.limits.maxMessageBytes, this);
    ++handshaking_;
    emit Activity();
    auto counted = std::make_shared<bool>(true);
    const auto handshakeOver = [this, counted] {
        if (*counted) {
            *counted = false;
            --handshaking_;
        }
    };
    WebSocketChannel::Handlers handlers;
    handlers.opened = [this, channel, handshakeOver](const HandshakeRequest& request) {
        // An accepted page's connection replaces these handlers, this one included: what is
        // needed afterwards is copied first.
        const auto over = handshakeOver;
        if (OnHandshake(channel, request)) {
            over();
        }
    };
    handlers.refused = [this](const HandshakeRequest& request) { OnHandshakeRefused(request); };
    handlers.closed = [channel, handshakeOver] {
        handshakeOver();
        channel->deleteLater();
    };
    channel->SetHandlers(std::move(handlers));
}

void AgentServer::OnHandshakeRefused(const HandshakeRequest& request)
{
    Log("refused handshake (origin \"" + EscapedForLog(request.origin) + "\", host \""
        + EscapedForLog(request.host) + "\"): " + request.problem);
}

bool AgentServer::OnHandshake(WebSocketChannel* channel, const HandshakeRequest& request)
{
    uint16_t code = 0;
    const char* reason = "";
    if (!IsLoopbackHost(request.host, port_)) {
        code = kClosePolicyViolation;
        reason = "host not allowed";
    } else if (!origins_.IsAllowed(request.origin)) {
        code = kCloseOriginRefused;
        reason = "origin not allowed";
    } else if (ConnectionCount() >= options_.limits.maxConnections) {
        code = kCloseTooManyConnections;
        reason = "too many connections";
    }
    if (code != 0) {
        Log("refused connection (origin \"" + EscapedForLog(request.origin) + "\", host \""
            + EscapedForLog(request.host) + "\"): " + reason);
        channel->Close(code, reason);
        return false;
    }
    auto* connection = new AgentConnection(*this, channel, QString::fromStdString(request.origin));
    connections_.push_back(connection);
    Log("connection from " + EscapedForLog(request.origin) + " ("
        + std::to_string(connections_.size()) + " open)");
    return true;
}

void AgentServer::ConnectionClosed(AgentConnection* connection)
{
    const auto it = std::find(connections_.begin(), connections_.end(), connection);
    if (it == connections_.end()) {
        return;
    }
    connections_.erase(it);
    queue_.DropWaiting(connection->Owner());
    if (queue_.RunningOwner() == connection->Owner()) {
        Log("page went away during its call: cancelling its dialog");
        // First, so that the call sends nothing more to the card once its dialog is closed.
        connection->Control()->MarkPageLeft();
        if (options_.cancelRunningDialog) {
            options_.cancelRunningDialog();
        }
    }
    Log("connection from " + EscapedForLog(connection->Peer().toStdString()) + " closed ("
        + std::to_string(connections_.size()) + " open)");
    connection->deleteLater();
    emit Activity();
}

} // namespace velkor
