#include "agent/consent_policy.h"

#include <algorithm>
#include <cctype>

#include "agent/origin_policy.h"

namespace velkor {

ConsentPolicy::ConsentPolicy(
    std::set<std::string, std::less<>> fixedOrigins, std::string file, bool canAsk, Clock clock)
    : fixed_(std::move(fixedOrigins))
    , file_(file)
    , hasFile_(!file.empty())
    , canAsk_(canAsk)
    , clock_(std::move(clock))
{
}

namespace {

// The last two labels of the origin's host ("ebank.example" for "https://www.ebank.example:8443"),
// or the whole host for an address. It groups more than a registrable domain where a suffix has
// two labels (all of "co.uk"): that only makes the share of those sites smaller.
std::string SiteFamily(std::string_view origin)
{
    std::string_view host = origin.substr(std::min(origin.size(), origin.find("://") + 3));
    if (host.starts_with('[')) {
        return std::string(host.substr(0, host.find(']') + 1));
    }
    host = host.substr(0, host.find(':'));
    if (!host.empty() && std::isdigit(static_cast<unsigned char>(host.back()))) {
        return std::string(host);
    }
    const auto last = host.rfind('.');
    if (last == std::string_view::npos || last == 0) {
        return std::string(host);
    }
    const auto before = host.rfind('.', last - 1);
    return std::string(before == std::string_view::npos ? host : host.substr(before + 1));
}

} // namespace

bool ConsentPolicy::PromptsExhausted(
    std::chrono::steady_clock::time_point now, std::string_view origin) const
{
    const std::string family = SiteFamily(origin);
    int recent = 0;
    int recentOfFamily = 0;
    for (const auto& prompt : prompts_) {
        if (now - prompt.shown < kPromptWindow) {
            ++recent;
            recentOfFamily += prompt.family == family ? 1 : 0;
        }
    }
    return recent >= kPromptsPerWindow || recentOfFamily >= kPromptsPerFamily;
}

ConsentVerdict ConsentPolicy::Judge(std::string_view origin) const
{
    if (fixed_.contains(origin) || (hasFile_ && file_.Contains(origin))) {
        return ConsentVerdict::Allowed;
    }
    // "null" names no site (sandboxed frames, local files): nothing to ask the customer about;
    // nor is a site the network could impersonate, or whose name could not be shown faithfully.
    if (!canAsk_ || !IsAskableOrigin(origin)) {
        return ConsentVerdict::Refused;
    }
    const auto now = clock_();
    const auto refused = refusals_.find(origin);
    if ((refused != refusals_.end() && now < refused->second.until)
        || PromptsExhausted(now, origin)) {
        return ConsentVerdict::Refused;
    }
    return ConsentVerdict::Ask;
}

void ConsentPolicy::PromptShown(std::string_view origin)
{
    const auto now = clock_();
    while (!prompts_.empty() && now - prompts_.front().shown >= kPromptWindow) {
        prompts_.pop_front();
    }
    prompts_.push_back({ now, SiteFamily(origin) });
}

bool ConsentPolicy::Decide(std::string_view origin, ConsentAnswer answer, std::string* persistError)
{
    switch (answer) {
    case ConsentAnswer::AllowAlways: {
        refusals_.erase(std::string(origin));
        std::string error;
        if (hasFile_ && !file_.Add(origin, error) && persistError != nullptr) {
            *persistError = error;
        }
        return true;
    }
    case ConsentAnswer::AllowOnce:
        refusals_.erase(std::string(origin));
        return true;
    case ConsentAnswer::Refuse:
    case ConsentAnswer::NoAnswer: {
        Refusals& entry = refusals_[std::string(origin)];
        const auto cooldown = std::min<std::chrono::seconds>(
            kFirstCooldown * (1LL << std::min(entry.inARow, 12)), kLongestCooldown);
        ++entry.inARow;
        entry.until = clock_() + cooldown;
        return false;
    }
    case ConsentAnswer::PageLeft:
        break;
    }
    return false;
}

} // namespace velkor
