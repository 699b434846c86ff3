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

// A result as JSON text: the integer, or the text as a JSON string. A text result may be secret (a
// clear account, a session-key hash): it is wiped, and so is every copy made on the way.
std::string ResultJsonText(MethodResult& result);

} // namespace velkor
