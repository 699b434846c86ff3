#include "agent/json_rpc.h"

#include "agent/json_secrets.h"
#include "common/secure_buffer.h"

namespace velkor::rpc {

namespace {

// Members in the order nlohmann::json writes them; the id is spliced in as received.
std::string Message(const RequestId& id, std::string_view member, std::string_view value)
{
    std::string out;
    out.reserve(id.json.size() + member.size() + value.size() + 32);
    out.append(R"({"id":)").append(id.json).append(R"(,"jsonrpc":"2.0",")");
    out.append(member).append("\":").append(value).push_back('}');
    return out;
}

} // namespace

std::string ResultMessage(const RequestId& id, const nlohmann::json& result)
{
    return Message(id, "result", result.dump());
}

std::string TextResultMessage(const RequestId& id, std::string& utf8)
{
    std::string body = JsonStringLiteral(utf8);
    WipeString(utf8);
    const std::string prefix = R"({"id":)" + id.json + R"(,"jsonrpc":"2.0","result":)";
    std::string reply;
    reply.reserve(prefix.size() + body.size() + 1);
    reply.append(prefix).append(body).push_back('}');
    WipeString(body);
    return reply;
}

std::string ErrorMessage(const RequestId& id, int code, std::string_view message)
{
    const nlohmann::json error { { "code", code }, { "message", message } };
    // Messages are ASCII texts of ours; replace anything else rather than throw.
    return Message(
        id, "error", error.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

} // namespace velkor::rpc
