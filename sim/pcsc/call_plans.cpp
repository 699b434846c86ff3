#include "call_plans.h"

namespace velkor::sim {

FaultPlan::FaultPlan(std::vector<FaultConfig> faults)
{
    for (auto& fault : faults) {
        rules_.push_back({ std::move(fault) });
    }
}

std::optional<int32_t> FaultPlan::Check(const std::string& call, const std::string* reader)
{
    std::optional<int32_t> injected;
    for (auto& rule : rules_) {
        if (rule.config.call != call) {
            continue;
        }
        if (rule.config.reader && (reader == nullptr || *reader != *rule.config.reader)) {
            continue;
        }
        ++rule.seen;
        const bool due = rule.seen > rule.config.after
            && (rule.config.times < 0 || rule.fired < rule.config.times);
        if (due && !injected) {
            ++rule.fired;
            injected = rule.config.result;
        }
    }
    return injected;
}

EventPlan::EventPlan(std::vector<EventConfig> events)
{
    for (auto& event : events) {
        rules_.push_back({ std::move(event) });
    }
}

void EventPlan::AfterCall(
    const std::string& call, const std::function<void(const EventConfig&)>& perform)
{
    for (auto& rule : rules_) {
        if (rule.config.call == call && ++rule.seen == rule.config.nth) {
            perform(rule.config);
        }
    }
}

} // namespace velkor::sim
