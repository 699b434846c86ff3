#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "pin_pad.h"

// The simulator's configuration, read from the JSON file named by VELKOR_SIM_CONFIG. See
// sim/README.md for the format.
namespace velkor::sim {

struct ReaderConfig {
    std::string name;
    std::optional<std::string> vendorName;
    std::optional<std::string> ifdType;
    std::optional<uint32_t> ifdVersion;
    std::optional<PinPadSettings> pinPad;
    nlohmann::json card; // null for an empty reader
};

// An injected result: the `times` calls of `call` (optionally only those about `reader`) that
// follow the first `after` matching calls return `result` and have no other effect.
struct FaultConfig {
    std::string call;
    int32_t result = 0;
    int times = 1; // -1: every matching call
    int after = 0;
    std::optional<std::string> reader;
};

// A card movement driven by the program's own calls: right after the `nth` call of `call`
// returns, the card of `reader` is removed or inserted (`card`, or the card last removed).
struct EventConfig {
    enum class Action { Remove, Insert };
    std::string call;
    int nth = 1;
    Action action = Action::Remove;
    std::string reader;
    nlohmann::json card; // null: re-insert the card last removed from the reader
};

struct SimConfig {
    std::vector<ReaderConfig> readers;
    std::vector<FaultConfig> faults;
    std::vector<EventConfig> events;
};

// The names of the PC/SC calls the simulator answers (for faults and events).
bool IsSimulatedCall(const std::string& name);

// Parses and checks the whole configuration; on failure says what is wrong in `error`.
std::optional<SimConfig> ParseSimConfig(const std::string& jsonText, std::string& error);
std::optional<SimConfig> LoadSimConfig(const std::string& path, std::string& error);

} // namespace velkor::sim
