#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace velkor {

// A call written as on the command line: `Method(arg, ...)` with JSON literal arguments.
struct CallExpression {
    std::string method;
    nlohmann::json params; // always an array
};

// Parses `text`; on failure returns nothing and puts a one-line reason in `error`.
std::optional<CallExpression> ParseCallExpression(std::string_view text, std::string& error);

} // namespace velkor
