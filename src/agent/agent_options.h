#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velkor {

inline constexpr uint16_t kDefaultAgentPort = 8931;

// Bounds that keep one page (or a hostile local client) from exhausting the agent.
struct AgentLimits {
    int maxConnections = 128;
    int64_t maxMessageBytes = 1 << 20; // larger frames close the connection (1009)
    int maxPendingPerConnection = 32; // running + waiting calls of one page
    int maxWaitingCalls = 512; // waiting calls of all pages together
};

struct AgentOptions {
    uint16_t port = kDefaultAgentPort; // 0: any free port (tests)
    std::vector<std::string> allowedOrigins;
    AgentLimits limits;
    // Receives one line per connection, refusal and call (method, duration, status code); never
    // arguments or text results. Empty: quiet.
    std::function<void(const std::string&)> log;
    // Cancels the dialog of the running call when its page goes away (the dialog's owner then
    // returns from the call as cancelled).
    std::function<void()> cancelRunningDialog;
};

} // namespace velkor
