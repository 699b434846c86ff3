#include "agent/loopback_listener.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace velkor {

namespace {

// Connections taken per wake-up, so that a burst of them does not hold up the calls.
constexpr int kAcceptsPerWakeUp = 64;

bool IsLoopback(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET) {
        const auto& in4 = reinterpret_cast<const sockaddr_in&>(address);
        return (ntohl(in4.sin_addr.s_addr) >> 24) == 127;
    }
    if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
        return IN6_IS_ADDR_LOOPBACK(&in6.sin6_addr);
    }
    return false;
}

uint16_t PortOf(const sockaddr_storage& address)
{
    return ntohs(address.ss_family == AF_INET6
            ? reinterpret_cast<const sockaddr_in6&>(address).sin6_port
            : reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

} // namespace

LoopbackListener::LoopbackListener(std::function<void(int)> accepted, QObject* parent)
    : QObject(parent)
    , accepted_(std::move(accepted))
{
    backoff_.setSingleShot(true);
    connect(&backoff_, &QTimer::timeout, this, [this] {
        notifier_->setEnabled(true);
        OnReadable();
    });
}

LoopbackListener::~LoopbackListener()
{
    delete notifier_;
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool LoopbackListener::Listen(const QHostAddress& address, uint16_t port, QString& error)
{
    const bool ipv6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    sockaddr_storage storage {};
    socklen_t length = 0;
    if (ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof in6->sin6_addr);
        length = sizeof *in6;
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(port);
        in4->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof *in4;
    }
    fd_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    const bool ok = fd_ >= 0 && ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0
        && (!ipv6 || ::setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on) == 0)
        // Answers are small and leave one per call; without this, Nagle's algorithm holds each
        // one back until the page acknowledges the previous one. Accepted sockets inherit it.
        && ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0
        && ::bind(fd_, reinterpret_cast<sockaddr*>(&storage), length) == 0
        && ::listen(fd_, SOMAXCONN) == 0
        && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&storage), &length) == 0;
    if (!ok) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        return false;
    }
    port_ = PortOf(storage);
    StartWatching();
    return true;
}

bool LoopbackListener::Adopt(int descriptor, QString& error)
{
    int type = 0;
    int listening = 0;
    socklen_t size = sizeof type;
    sockaddr_storage storage {};
    socklen_t length = sizeof storage;
    const bool stream
        = ::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &size) == 0 && type == SOCK_STREAM;
    size = sizeof listening;
    const bool accepting
        = ::getsockopt(descriptor, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening;
    const bool bound
        = ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&storage), &length) == 0;
    if (!stream || !accepting || !bound || !IsLoopback(storage)) {
        error = QStringLiteral("descriptor %1 is not a TCP socket listening on a loopback address")
                    .arg(descriptor);
        ::close(descriptor);
        return false;
    }
    const int on = 1;
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) < 0
        || ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(descriptor);
        return false;
    }
    fd_ = descriptor;
    port_ = PortOf(storage);
    StartWatching();
    return true;
}

void LoopbackListener::StartWatching()
{
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &LoopbackListener::OnReadable);
}

void LoopbackListener::OnReadable()
{
    for (int i = 0; i < kAcceptsPerWakeUp; ++i) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            backoffMs_ = kFirstBackoffMs;
            accepted_(fd);
            continue;
        }
        switch (errno) {
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
            continue; // that connection is gone; the next may be fine
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            notifier_->setEnabled(false);
            backoff_.start(backoffMs_);
            backoffMs_ = std::min(backoffMs_ * 2, kLongestBackoffMs);
            return;
        default: // EAGAIN: nothing more to accept
            return;
        }
    }
}

} // namespace velkor
