#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "agent/origin_allowlist_file.h"
#include "dialogs/consent_answer.h"

// Which sites may use the card, decided per page. A site on the allowlist (the file, or the
// command line's origins) goes ahead; any other site is asked about once, in a native prompt,
// when prompts can be shown; without them (--ui none) it is refused as it always was.
//
// Refused or unanswered sites are not asked again at once: each refusal in a row doubles how long
// the site is refused without a prompt (one minute, then two, ... at most an hour), and a page
// cannot buy a prompt by appearing under a fresh name either: at most kPromptsPerWindow prompts
// are shown per kPromptWindow, across all sites, and at most kPromptsPerFamily of them for one
// site family (the last two labels of the host name), so that made-up names under one domain
// cannot use up the prompts before a bank's first visit. A local program can claim any name, so
// no share by name is complete; a site refused for want of prompts is not recorded as refused and
// is asked when it comes again. No decision is taken on the site's word alone:
// "always" lands in the allowlist file (read afresh for each page), "once" admits only the page
// that asked. The clock is injected so that tests can run the limits without waiting.
namespace velkor {

enum class ConsentVerdict { Allowed, Refused, Ask };

class ConsentPolicy {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::seconds kFirstCooldown { 60 };
    static constexpr std::chrono::seconds kLongestCooldown { 3600 };
    static constexpr int kPromptsPerWindow = 3;
    static constexpr int kPromptsPerFamily = kPromptsPerWindow - 1;
    static constexpr std::chrono::seconds kPromptWindow { 60 };

    // `file` may be empty (no allowlist file). `canAsk` is false when no prompt can be shown.
    ConsentPolicy(std::set<std::string, std::less<>> fixedOrigins, std::string file, bool canAsk,
        Clock clock = std::chrono::steady_clock::now);

    // What to do with a page of `origin` now. Changes nothing: call PromptShown before asking.
    ConsentVerdict Judge(std::string_view origin) const;
    // Counts a prompt for `origin` against the limits of prompts per window.
    void PromptShown(std::string_view origin);
    // Records the customer's answer; true when the page that asked may go on. `persistError`
    // receives a problem writing the allowlist file (the page is admitted all the same).
    bool Decide(std::string_view origin, ConsentAnswer answer, std::string* persistError = nullptr);

    bool CanAsk() const { return canAsk_; }
    const std::set<std::string, std::less<>>& FixedOrigins() const { return fixed_; }

private:
    struct Refusals {
        int inARow = 0;
        std::chrono::steady_clock::time_point until;
    };

    struct Prompt {
        std::chrono::steady_clock::time_point shown;
        std::string family;
    };

    bool PromptsExhausted(std::chrono::steady_clock::time_point now, std::string_view origin) const;

    std::set<std::string, std::less<>> fixed_;
    OriginAllowlistFile file_;
    bool hasFile_;
    bool canAsk_;
    Clock clock_;
    std::map<std::string, Refusals, std::less<>> refusals_;
    std::deque<Prompt> prompts_;
};

} // namespace velkor
