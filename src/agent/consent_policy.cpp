#include "agent/consent_policy.h"

#include <algorithm>

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

bool ConsentPolicy::PromptsExhausted(std::chrono::steady_clock::time_point now) const
{
    const auto recent = std::count_if(prompts_.begin(), prompts_.end(),
        [&](const auto& shown) { return now - shown < kPromptWindow; });
    return recent >= kPromptsPerWindow;
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
    if ((refused != refusals_.end() && now < refused->second.until) || PromptsExhausted(now)) {
        return ConsentVerdict::Refused;
    }
    return ConsentVerdict::Ask;
}

void ConsentPolicy::PromptShown()
{
    const auto now = clock_();
    while (!prompts_.empty() && now - prompts_.front() >= kPromptWindow) {
        prompts_.pop_front();
    }
    prompts_.push_back(now);
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
