#include "agent/agent_server.h"

#include <algorithm>
#include <cstdio>

#include <unistd.h>

#include <QNetworkInterface>
#include <QPointer>

#include "agent/agent_connection.h"
#include "agent/loopback_listener.h"
#include "agent/origin_policy.h"
#include "agent/page_link.h"
#include "agent/websocket_channel.h"

namespace velkor {

namespace {

bool HasIpv6Loopback()
{
    return QNetworkInterface::allAddresses().contains(QHostAddress(QHostAddress::LocalHostIPv6));
}

// A WebSocket page's answers go out as text frames; a refused site is closed with 4003.
class WebSocketPageLink final : public PageLink {
public:
    explicit WebSocketPageLink(WebSocketChannel* channel)
        : channel_(channel)
    {
    }
    // The connection's end (PageClosed) deletes the link, and with it the channel.
    ~WebSocketPageLink() override { delete channel_.data(); }

    void Send(const std::string& message) override
    {
        if (channel_ && channel_->IsOpen()) {
            channel_->SendText(message);
        }
    }
    void RefuseOrigin() override
    {
        if (channel_ && channel_->IsOpen()) {
            channel_->Close(kCloseOriginRefused, "origin not allowed");
        }
    }

private:
    QPointer<WebSocketChannel> channel_;
};

} // namespace

AgentServer::AgentServer(
    AgentOptions options, const std::vector<MethodInfo>& methods, QObject* parent)
    : QObject(parent)
    , options_(options)
    , pages_(std::move(options), methods)
{
}

AgentServer::~AgentServer() = default;

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
    return pages_.PageCount() > 0 || handshaking_ > 0 || pages_.Queue().RunningOwner() != kNoOwner
        || pages_.Queue().Waiting() > 0;
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
    pages_.Log("refused handshake (origin \"" + EscapedForLog(request.origin) + "\", host \""
        + EscapedForLog(request.host) + "\"): " + request.problem);
}

bool AgentServer::OnHandshake(WebSocketChannel* channel, const HandshakeRequest& request)
{
    uint16_t code = 0;
    const char* reason = "";
    const ConsentVerdict verdict = pages_.Consent().Judge(request.origin);
    if (!IsLoopbackHost(request.host, port_)) {
        code = kClosePolicyViolation;
        reason = "host not allowed";
    } else if (verdict == ConsentVerdict::Refused) {
        code = kCloseOriginRefused;
        reason = "origin not allowed";
    } else if (ConnectionCount() >= options_.limits.maxConnections) {
        code = kCloseTooManyConnections;
        reason = "too many connections";
    }
    if (code != 0) {
        pages_.Log("refused connection (origin \"" + EscapedForLog(request.origin) + "\", host \""
            + EscapedForLog(request.host) + "\"): " + reason);
        channel->Close(code, reason);
        return false;
    }
    channel->setParent(nullptr);
    AgentConnection* page = pages_.OpenPage(std::make_unique<WebSocketPageLink>(channel),
        request.origin, verdict == ConsentVerdict::Ask);
    WebSocketChannel::Handlers handlers;
    handlers.text = [page](std::string_view message) { page->OnTextMessage(message); };
    handlers.closed = [this, page] {
        pages_.PageClosed(page);
        emit Activity();
    };
    channel->SetHandlers(std::move(handlers));
    return true;
}

} // namespace velkor
