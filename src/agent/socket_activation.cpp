#include "agent/socket_activation.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace velkor {

namespace {

// The agent's socket unit passes one or two (IPv4 and IPv6); a count beyond any unit's would have
// the agent probe and close descriptors for a very long time before it serves a page.
constexpr long kMostPassedSockets = 64;

bool ParseDecimal(const char* text, long& value)
{
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0';
}

} // namespace

int PassedDescriptorCount(const char* listenPid, const char* listenFds, pid_t self)
{
    long pid = 0;
    long count = 0;
    if (!ParseDecimal(listenPid, pid) || pid != self || !ParseDecimal(listenFds, count)
        || count <= 0 || count > kMostPassedSockets) {
        return 0;
    }
    return static_cast<int>(count);
}

std::vector<int> TakePassedSockets()
{
    const int count
        = PassedDescriptorCount(std::getenv("LISTEN_PID"), std::getenv("LISTEN_FDS"), ::getpid());
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    std::vector<int> sockets;
    for (int fd = kFirstPassedDescriptor; fd < kFirstPassedDescriptor + count; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags < 0) {
            continue; // announced but not open: nothing to adopt
        }
        ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
        sockets.push_back(fd);
    }
    return sockets;
}

} // namespace velkor
