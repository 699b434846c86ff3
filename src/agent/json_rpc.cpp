#include "agent/json_rpc.h"

#include "agent/json_secrets.h"
#include "common/secure_buffer.h"

namespace velkor::rpc {

std::string ResultMessage(const nlohmann::json& id, const nlohmann::json& result)
{
    return nlohmann::json { { "jsonrpc", "2.0" }, { "id", id }, { "result", result } }.dump();
}

std::string TextResultMessage(const nlohmann::json& id, std::string& utf8)
{
    std::string body = JsonStringLiteral(utf8);
    WipeString(utf8);
    const std::string prefix = R"({"id":)" + id.dump() + R"(,"jsonrpc":"2.0","result":)";
    std::string reply;
    reply.reserve(prefix.size() + body.size() + 1);
    reply.append(prefix).append(body).push_back('}');
    WipeString(body);
    return reply;
}

std::string ErrorMessage(const nlohmann::json& id, int code, std::string_view message)
{
    const nlohmann::json error { { "code", code }, { "message", message } };
    // Messages are ASCII texts of ours; replace anything else rather than throw.
    return nlohmann::json { { "jsonrpc", "2.0" }, { "id", id }, { "error", error } }.dump(
        -1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace velkor::rpc
