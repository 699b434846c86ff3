#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "control/method_value.h"

namespace velkor {

class CVelkorCtrl;

// One scripting method: its dispatch id, name, parameter types in order, result type, and the
// call that runs it on a control. Transports find methods by name or by id and check the
// arguments against `params` before calling `invoke`.
struct MethodInfo {
    int32_t dispatchId;
    std::string_view name;
    std::vector<ValueType> params;
    ValueType result;
    MethodResult (*invoke)(CVelkorCtrl& control, std::span<const MethodArgument> arguments);
};

// Every method the control offers, ordered by dispatch id.
const std::vector<MethodInfo>& AllMethods();
const MethodInfo* FindMethod(std::string_view name);
const MethodInfo* FindMethod(int32_t dispatchId);

// Checks that `arguments` match the method's parameter list in count and type.
bool ArgumentsMatch(const MethodInfo& method, std::span<const MethodArgument> arguments);

} // namespace velkor
