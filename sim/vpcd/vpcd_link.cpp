#include "vpcd_link.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velkor::sim {

namespace {

void SetOption(int fd, int level, int option)
{
    const int on = 1;
    setsockopt(fd, level, option, &on, sizeof(on));
}

} // namespace

bool VpcdLink::Connect(const std::string& host, int port, int timeoutMs, std::string& error)
{
    Close();
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return false;
    }
    error = "no address for " + host;
    for (addrinfo* address = found; address != nullptr; address = address->ai_next) {
        const int fd = socket(address->ai_family,
            address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            continue;
        }
        int rc = connect(fd, address->ai_addr, address->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd waiting { fd, POLLOUT, 0 };
            rc = poll(&waiting, 1, timeoutMs);
            if (rc == 0) {
                error = "no answer from vpcd at " + host + ":" + service + " within "
                    + std::to_string(timeoutMs)
                    + " ms (another card holds that reader slot, or pcscd is not listening)";
                close(fd);
                continue;
            }
            int status = 0;
            socklen_t length = sizeof(status);
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &status, &length);
            rc = (rc > 0 && status == 0) ? 0 : -1;
            errno = status;
        }
        if (rc != 0) {
            error
                = "cannot connect to vpcd at " + host + ":" + service + ": " + std::strerror(errno);
            close(fd);
            continue;
        }
        // Blocking from here on: the card only answers what vpcd asks.
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        SetOption(fd, IPPROTO_TCP, TCP_NODELAY);
        SetOption(fd, IPPROTO_TCP, TCP_QUICKACK);
        fd_ = fd;
        break;
    }
    freeaddrinfo(found);
    return fd_ >= 0;
}

void VpcdLink::Close()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

bool VpcdLink::ReadExactly(uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t got = recv(fd_, data + done, size - done, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += static_cast<size_t>(got);
        // Linux drops back to delayed ACKs after a while; re-arm after every receive.
        SetOption(fd_, IPPROTO_TCP, TCP_QUICKACK);
    }
    return true;
}

std::optional<Bytes> VpcdLink::Receive()
{
    if (fd_ < 0) {
        return std::nullopt;
    }
    uint8_t header[2];
    if (!ReadExactly(header, sizeof(header))) {
        return std::nullopt;
    }
    Bytes payload(static_cast<size_t>(header[0]) << 8 | header[1]);
    if (!payload.empty() && !ReadExactly(payload.data(), payload.size())) {
        return std::nullopt;
    }
    return payload;
}

bool VpcdLink::Send(const Bytes& payload)
{
    if (fd_ < 0 || payload.size() > 0xFFFF) {
        return false;
    }
    Bytes message;
    message.reserve(payload.size() + 2);
    message.push_back(static_cast<uint8_t>(payload.size() >> 8));
    message.push_back(static_cast<uint8_t>(payload.size()));
    message.insert(message.end(), payload.begin(), payload.end());
    size_t done = 0;
    while (done < message.size()) {
        const ssize_t sent = send(fd_, message.data() + done, message.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        done += static_cast<size_t>(sent);
    }
    return true;
}

} // namespace velkor::sim
