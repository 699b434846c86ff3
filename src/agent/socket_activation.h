#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Listening sockets handed over by the service manager (systemd's socket activation: the
// descriptors from 3 on, announced by LISTEN_PID and LISTEN_FDS). A user socket unit lets the
// agent start only when a page first connects, and exit when it has been idle for a while.
namespace velkor {

inline constexpr int kFirstPassedDescriptor = 3;

// How many descriptors the environment passes to the process `self`: 0 when the variables are
// missing, malformed, or meant for another process (a child that inherited them).
int PassedDescriptorCount(const char* listenPid, const char* listenFds, pid_t self);

// Takes the passed descriptors: marks them close-on-exec and removes the variables, so that no
// program the agent starts believes they are its own. Empty when nothing was passed.
std::vector<int> TakePassedSockets();

} // namespace velkor
