#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim_config.h"

// What the configuration arranges around the program's own PC/SC calls: injected results
// (faults) and card movements after the Nth call of a kind (events). Both count calls per rule.
namespace velkor::sim {

class FaultPlan {
public:
    explicit FaultPlan(std::vector<FaultConfig> faults = {});

    // Counts the call and returns the injected result when a rule is due. `reader` is the reader
    // the call is about, when it is known (the name passed to SCardConnect, a handle's reader).
    std::optional<int32_t> Check(const std::string& call, const std::string* reader);

private:
    struct Rule {
        FaultConfig config;
        int seen = 0;
        int fired = 0;
    };
    std::vector<Rule> rules_;
};

class EventPlan {
public:
    explicit EventPlan(std::vector<EventConfig> events = {});

    // Counts a finished call and hands each event now due to `perform`, in configuration order.
    void AfterCall(const std::string& call, const std::function<void(const EventConfig&)>& perform);

private:
    struct Rule {
        EventConfig config;
        int seen = 0;
    };
    std::vector<Rule> rules_;
};

} // namespace velkor::sim
