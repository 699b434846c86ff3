#include "demo_bank.h"

namespace velkor::host {

DemoBankReply JsonReply(int httpStatus, const nlohmann::json& body)
{
    return { httpStatus, body.dump() };
}

DemoBankReply ErrorReply(int httpStatus, std::string_view message)
{
    return JsonReply(httpStatus, { { "error", message } });
}

DemoBank::DemoBank(HostKeys keys, CardKeyTable cards, uint16_t agentPort)
    : keys_(std::move(keys))
    , cards_(std::move(cards))
    , agentPort_(agentPort)
{
}

DemoBankReply DemoBank::Config() const
{
    return JsonReply(200, { { "agentPort", agentPort_ } });
}

} // namespace velkor::host
