#include "demo_sessions.h"

#include <algorithm>

#include "crypto/data_process.h"

namespace velkor::host {

namespace {

constexpr size_t kIdBytes = 16;

} // namespace

void DemoSessions::DropExpired()
{
    const auto now = clock_();
    while (!order_.empty()) {
        const auto found = sessions_.find(order_.front());
        if (found != sessions_.end() && now - found->second.opened < limits_.lifetime) {
            break;
        }
        if (found != sessions_.end()) {
            sessions_.erase(found);
        }
        order_.pop_front();
    }
}

DemoSessions::Opened DemoSessions::Create(DemoSession session, std::string_view client)
{
    DropExpired();
    // The client's own oldest session makes room when it already holds its share.
    size_t held = 0;
    bool dropped = false;
    for (auto id = order_.rbegin(); id != order_.rend(); ++id) {
        const auto found = sessions_.find(*id);
        if (found == sessions_.end() || found->second.client != client) {
            continue;
        }
        if (++held >= limits_.perClient) {
            sessions_.erase(found);
            dropped = true;
        }
    }
    if (dropped) {
        std::erase_if(order_, [this](const std::string& id) { return !sessions_.contains(id); });
    }
    if (sessions_.size() >= limits_.capacity) {
        return { {}, true };
    }
    uint8_t raw[kIdBytes];
    WipeOnExit wipeRaw(raw);
    if (!CDataProcess::RandomBytes(raw, sizeof raw, RandomParity::AsDrawn)) {
        return {};
    }
    const Text hex = CDataProcess::HexText(raw);
    std::string id(hex.begin(), hex.end());
    sessions_.insert_or_assign(id, Entry { std::move(session), std::string(client), clock_() });
    order_.push_back(id);
    return { id };
}

DemoSession* DemoSessions::Find(std::string_view id)
{
    DropExpired();
    const auto found = sessions_.find(id);
    return found == sessions_.end() ? nullptr : &found->second.session;
}

} // namespace velkor::host
