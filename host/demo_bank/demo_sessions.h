#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "demo_transfer.h"
#include "host/bank_session.h"

// The demo bank's customer sessions: one per run of the mutual authentication. A session holds
// the pending challenge until the page answers it (once), then, when the answer was accepted,
// the session-key hash the control reported. Sessions expire a while after they were opened.
// The store is bounded without letting one client push out the others: a client that opens more
// than its share loses its own oldest session, and a store full of live sessions refuses new
// ones until some expire. Dropped sessions take their secrets with them (wiped).
namespace velkor::host {

struct DemoSession {
    std::unique_ptr<MutualAuthentication> pending; // until the answer arrives
    bool authenticated = false;
    std::string sessionKeyHash; // GetSessionKeyHash of the accepted answer
    // The last session key issued: the transfer's lists go out and its import account comes back
    // under it.
    SecureBytes sessionKey;
    // The transfer procedure the bank prepared and has not checked yet.
    std::optional<DemoTransfer> transfer;
};

struct DemoSessionLimits {
    size_t capacity = 256;
    size_t perClient = 8;
    std::chrono::seconds lifetime { 600 };
};

class DemoSessions {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit DemoSessions(
        DemoSessionLimits limits = {}, Clock clock = std::chrono::steady_clock::now)
        : limits_(limits)
        , clock_(std::move(clock))
    {
    }

    struct Opened {
        std::string id; // 32 hexadecimal digits; empty when refused or the random generator failed
        bool full = false; // refused: the store is full of other clients' live sessions
    };
    // A new session of `client` (whatever identifies the customer's browser) under a fresh random
    // identifier.
    Opened Create(DemoSession session, std::string_view client = {});
    // The live session `id`, or null (unknown or expired).
    DemoSession* Find(std::string_view id);
    size_t size() const { return sessions_.size(); }

private:
    struct Entry {
        DemoSession session;
        std::string client;
        std::chrono::steady_clock::time_point opened;
    };
    void DropExpired();

    DemoSessionLimits limits_;
    Clock clock_;
    std::map<std::string, Entry, std::less<>> sessions_;
    std::deque<std::string> order_; // opening order, oldest first (so also expiry order)
};

} // namespace velkor::host
