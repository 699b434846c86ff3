#pragma once

#include <vector>

#include <nlohmann/json.hpp>

#include "agent/request_id.h"
#include "control/method_table.h"

namespace velkor {

// A checked request, ready to run on a control. Its arguments may be PINs or keys: they are wiped
// when the call is destroyed, whether it ran or was dropped.
struct PreparedCall {
    RequestId id;
    bool notification = false; // no id: run, but send no answer
    // Null for `velkor.describe`, which waits its turn like a call (so that a page cannot flood
    // the agent with its answers) but touches no control.
    const MethodInfo* method = nullptr;
    std::vector<MethodArgument> arguments;

    PreparedCall() = default;
    PreparedCall(PreparedCall&&) = default;
    PreparedCall& operator=(PreparedCall&&) = default;
    PreparedCall(const PreparedCall&) = delete;
    PreparedCall& operator=(const PreparedCall&) = delete;
    ~PreparedCall();
};

void WipeArguments(std::vector<MethodArgument>& arguments);

} // namespace velkor
