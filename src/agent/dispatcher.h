#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/prepared_call.h"
#include "control/method_table.h"

namespace velkor {

class CVelkorCtrl;

// Maps JSON-RPC 2.0 requests onto a method table. Methods are found by name, or by their dispatch
// id written as a decimal string ("method":"8"); `params` are positional in the table's order and
// checked in count and type before anything runs; a JSON null text is a missing argument.
// `velkor.describe` answers with the version and the table, without touching a control.
class Dispatcher {
public:
    static constexpr std::string_view kDescribeMethod = "velkor.describe";

    explicit Dispatcher(const std::vector<MethodInfo>& methods);

    // What one incoming frame leads to: an answer to send now (errors, describe; empty for a
    // notification that gets none), or a call to queue.
    struct Outcome {
        std::string reply;
        std::optional<PreparedCall> call;
    };
    Outcome Dispatch(std::string_view frame) const;

    // Runs a prepared call on `control` and returns its answer (empty for a notification).
    // `status` receives an integer result, for logging; text results are never exposed.
    std::string Run(const PreparedCall& call, CVelkorCtrl& control,
        std::optional<int32_t>* status = nullptr) const;

    const nlohmann::json& Description() const { return description_; }

private:
    const MethodInfo* Find(const std::string& method) const;

    std::unordered_map<std::string_view, const MethodInfo*> byName_;
    std::unordered_map<int32_t, const MethodInfo*> byId_;
    nlohmann::json description_;
};

} // namespace velkor
