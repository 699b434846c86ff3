#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "agent/request_id.h"

// JSON-RPC 2.0 answers. Status codes of the control are results; these errors are for the
// transport only.
namespace velkor::rpc {

inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
// Implementation-defined: the call was not queued because too many calls are waiting.
inline constexpr int kQueueFull = -32001;

std::string ResultMessage(const RequestId& id, const nlohmann::json& result);
// For a text result that may be secret: every intermediate copy is wiped, only the answer stays
// (the caller wipes it once sent). `utf8` is wiped.
std::string TextResultMessage(const RequestId& id, std::string& utf8);
std::string ErrorMessage(const RequestId& id, int code, std::string_view message);

} // namespace velkor::rpc
