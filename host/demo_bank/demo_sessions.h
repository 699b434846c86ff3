#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "host/bank_session.h"

// The demo bank's customer sessions: one per run of the mutual authentication. A session holds
// the pending challenge until the page answers it (once), then, when the answer was accepted,
// the session-key hash the control reported. The store is
// bounded: the oldest session is dropped (and its secrets wiped) when a new one would exceed it.
namespace velkor::host {

struct DemoSession {
    std::unique_ptr<MutualAuthentication> pending; // until the answer arrives
    bool authenticated = false;
    std::string sessionKeyHash; // GetSessionKeyHash of the accepted answer
};

class DemoSessions {
public:
    static constexpr size_t kDefaultCapacity = 256;
    explicit DemoSessions(size_t capacity = kDefaultCapacity)
        : capacity_(capacity)
    {
    }

    // A new session under a fresh random identifier (32 hexadecimal digits); empty when the
    // random generator failed.
    std::string Create(DemoSession session);
    DemoSession* Find(std::string_view id);
    size_t size() const { return sessions_.size(); }

private:
    size_t capacity_;
    std::map<std::string, DemoSession, std::less<>> sessions_;
    std::deque<std::string> order_; // creation order, oldest first
};

} // namespace velkor::host
