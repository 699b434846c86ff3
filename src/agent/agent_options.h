#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/consent_answer.h"

namespace velkor {

inline constexpr uint16_t kDefaultAgentPort = 8931;

// Bounds that keep one page (or a hostile local client) from exhausting the agent.
struct AgentLimits {
    int maxConnections = 128;
    int64_t maxMessageBytes = 1 << 20; // larger frames close the connection (1009)
    int maxPendingPerConnection = 32; // running + waiting calls of one page
    int maxWaitingCalls = 512; // waiting calls of all pages together
};

// How the agent shows the controls' message boxes and dialogs: on the desktop (needs a
// QApplication) or written to standard error, for an agent without a screen.
enum class AgentUi { Headless, Widgets };

struct AgentOptions {
    uint16_t port = kDefaultAgentPort; // 0: any free port (tests)
    // Listening sockets the service manager passed (socket activation): used instead of opening
    // the port. The server takes them over, and closes any it refuses.
    std::vector<int> passedSockets;
    std::vector<std::string> allowedOrigins;
    // The customer's allowlist file, read afresh for each page; empty: none.
    std::string allowlistFile;
    AgentLimits limits;
    // Receives one line per connection, refusal and call (method, duration, status code); never
    // arguments or text results. Empty: quiet.
    std::function<void(const std::string&)> log;
    AgentUi ui = AgentUi::Headless;
    // Cancels the dialog of the running call when its page goes away (the dialog's owner then
    // returns from the call as cancelled). Empty: the open modal dialogs and message boxes are
    // closed (CancelOpenDialogs).
    std::function<void()> cancelRunningDialog;
    // Asks the customer whether a site not on the allowlist may use the card (modal; the
    // answer). Empty: the consent dialog with the widget Ui, no prompt (a refusal) without it.
    std::function<ConsentAnswer(const std::string& origin)> askConsent;
};

} // namespace velkor
