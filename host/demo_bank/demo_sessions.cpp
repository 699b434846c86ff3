#include "demo_sessions.h"

#include "crypto/data_process.h"

namespace velkor::host {

namespace {

constexpr size_t kIdBytes = 16;

} // namespace

std::string DemoSessions::Create(DemoSession session)
{
    uint8_t raw[kIdBytes];
    WipeOnExit wipeRaw(raw);
    if (!CDataProcess::RandomBytes(raw, sizeof raw, RandomParity::AsDrawn)) {
        return {};
    }
    const Text hex = CDataProcess::HexText(raw);
    std::string id(hex.begin(), hex.end());
    while (!order_.empty() && sessions_.size() >= capacity_) {
        sessions_.erase(order_.front());
        order_.pop_front();
    }
    sessions_.insert_or_assign(id, std::move(session));
    order_.push_back(id);
    return id;
}

DemoSession* DemoSessions::Find(std::string_view id)
{
    const auto found = sessions_.find(id);
    return found == sessions_.end() ? nullptr : &found->second;
}

} // namespace velkor::host
