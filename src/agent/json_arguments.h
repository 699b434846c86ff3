#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "control/method_table.h"

namespace velkor {

// Converts positional JSON parameters to the method's arguments: integers must be whole numbers in
// the 32-bit signed range, texts are strings or null (a missing text). Returns nothing and a
// one-line reason on a count or type mismatch.
std::optional<std::vector<MethodArgument>> JsonToArguments(
    const MethodInfo& method, const nlohmann::json& params, std::string& error);

nlohmann::json ResultToJson(const MethodResult& result);

} // namespace velkor
