#include "card_use_registry.h"

#include <map>

namespace velkor::pcsc::detail {

namespace {

// Reader name -> the session that last used its card; absent once the card was reset.
std::map<std::string, uint64_t>& LastUsers()
{
    static std::map<std::string, uint64_t> users;
    return users;
}

} // namespace

void RecordCardUse(const std::string& reader, uint64_t session)
{
    LastUsers()[reader] = session;
}

bool UsedByAnotherSession(const std::string& reader, uint64_t session)
{
    const auto found = LastUsers().find(reader);
    return found != LastUsers().end() && found->second != session;
}

void RecordCardReset(const std::string& reader)
{
    LastUsers().erase(reader);
}

void ForgetCardUse(const std::string& reader, uint64_t session)
{
    const auto found = LastUsers().find(reader);
    if (found != LastUsers().end() && found->second == session) {
        LastUsers().erase(found);
    }
}

} // namespace velkor::pcsc::detail
