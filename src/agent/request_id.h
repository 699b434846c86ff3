#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace velkor {

// A JSON-RPC request id, kept as the JSON text the answer repeats. The page matches answers to
// requests by this id, so it must come back as sent: a number such as 18446744073709551617 or
// 1.50 would come back altered if it went through a double.
struct RequestId {
    std::string json = "null";

    static RequestId Null() { return {}; }
    // `id` as parsed from `request`; a number that the parser could not hold exactly is taken
    // from the request's text instead.
    static RequestId FromRequest(const nlohmann::json& id, std::string_view request);
};

} // namespace velkor
