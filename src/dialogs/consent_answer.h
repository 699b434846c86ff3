#pragma once

// What the customer answered when a site not on the allowlist asked to use the card.
namespace velkor {

enum class ConsentAnswer {
    AllowOnce, // 允許一次: this page, this time
    AllowAlways, // 一律允許: remembered in the allowlist file
    Refuse, // 拒絕
    NoAnswer, // the countdown ran out, or the window was closed without a choice
    PageLeft, // the page went away while the prompt was open: nobody decided
};

// Seconds the consent prompt waits before it counts as unanswered.
inline constexpr int kConsentPromptSeconds = 30;

} // namespace velkor
