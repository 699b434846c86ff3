#include "agent/dispatcher.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "agent/json_arguments.h"
#include "agent/json_nesting.h"
#include "agent/json_rpc.h"
#include "agent/json_secrets.h"
#include "build_info.h"
#include "common/secure_buffer.h"

namespace velkor {

namespace {

using nlohmann::json;

bool IsDecimal(const std::string& text)
{
    return !text.empty() && text.size() <= 10
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Names echoed in error messages come from the page: only short identifiers are repeated.
std::string Quoted(const std::string& name)
{
    const bool printable = name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_';
    });
    return printable ? " " + name : std::string();
}

} // namespace

Dispatcher::Dispatcher(const std::vector<MethodInfo>& methods)
{
    json list = json::array();
    for (const auto& method : methods) {
        byName_.emplace(method.name, &method);
        byId_.emplace(method.dispatchId, &method);
        json params = json::array();
        for (const ValueType type : method.params) {
            params.push_back(ValueTypeName(type));
        }
        list.push_back({ { "id", method.dispatchId }, { "name", method.name },
            { "params", std::move(params) }, { "result", ValueTypeName(method.result) } });
    }
    description_
        = { { "agent", "velkor" }, { "version", kBuildVersion }, { "methods", std::move(list) } };
}

const MethodInfo* Dispatcher::Find(const std::string& method) const
{
    if (IsDecimal(method)) {
        int64_t id = 0;
        std::from_chars(method.data(), method.data() + method.size(), id);
        const auto it = byId_.find(static_cast<int32_t>(std::min<int64_t>(id, INT32_MAX)));
        return it == byId_.end() ? nullptr : it->second;
    }
    const auto it = byName_.find(method);
    return it == byName_.end() ? nullptr : it->second;
}

Dispatcher::Outcome Dispatcher::Dispatch(std::string_view frame) const
{
    // Checked before parsing: the parser recurses once per level of nesting.
    if (JsonNestsDeeperThan(frame)) {
        return { rpc::ErrorMessage(RequestId::Null(), rpc::kInvalidRequest,
                     "nesting deeper than " + std::to_string(kMaxJsonNesting) + " levels"),
            {} };
    }
    json request = json::parse(frame.begin(), frame.end(), nullptr, false);
    ScopedJsonWipe wipe(request);
    if (request.is_discarded()) {
        return { rpc::ErrorMessage(RequestId::Null(), rpc::kParseError, "parse error: not JSON"),
            {} };
    }
    if (request.is_array()) {
        return { rpc::ErrorMessage(
                     RequestId::Null(), rpc::kInvalidRequest, "batch requests are not supported"),
            {} };
    }
    if (!request.is_object()) {
        return { rpc::ErrorMessage(
                     RequestId::Null(), rpc::kInvalidRequest, "request must be an object"),
            {} };
    }
    const auto idIt = request.find("id");
    const bool notification = idIt == request.end();
    if (!notification && !idIt->is_null() && !idIt->is_string() && !idIt->is_number()) {
        return { rpc::ErrorMessage(RequestId::Null(), rpc::kInvalidRequest,
                     "id must be a string, a number or null"),
            {} };
    }
    RequestId id = notification ? RequestId::Null() : RequestId::FromRequest(*idIt, frame);
    const auto versionIt = request.find("jsonrpc");
    if (versionIt == request.end() || *versionIt != "2.0") {
        return { rpc::ErrorMessage(id, rpc::kInvalidRequest, "jsonrpc must be \"2.0\""), {} };
    }
    const auto methodIt = request.find("method");
    if (methodIt == request.end() || !methodIt->is_string()) {
        return { rpc::ErrorMessage(id, rpc::kInvalidRequest, "method must be a string"), {} };
    }
    const std::string& name = methodIt->get_ref<const std::string&>();
    json params = json::array();
    if (const auto paramsIt = request.find("params"); paramsIt != request.end()) {
        if (paramsIt->is_object()) {
            return { notification ? std::string()
                                  : rpc::ErrorMessage(id, rpc::kInvalidParams,
                                      "parameters must be positional (an array)"),
                {} };
        }
        if (!paramsIt->is_array()) {
            return { rpc::ErrorMessage(id, rpc::kInvalidRequest, "params must be an array"), {} };
        }
        params = std::move(*paramsIt);
    }
    ScopedJsonWipe wipeParams(params);

    if (name == kDescribeMethod) {
        if (notification) {
            return {};
        }
        if (!params.empty()) {
            return { rpc::ErrorMessage(id, rpc::kInvalidParams,
                         std::string(kDescribeMethod) + " takes no parameters"),
                {} };
        }
        PreparedCall describe;
        describe.id = std::move(id);
        return { {}, std::move(describe) };
    }
    const MethodInfo* method = Find(name);
    if (method == nullptr) {
        return { notification
                ? std::string()
                : rpc::ErrorMessage(id, rpc::kMethodNotFound, "unknown method" + Quoted(name)),
            {} };
    }
    std::string error;
    auto arguments = JsonToArguments(*method, params, error);
    if (!arguments) {
        return { notification ? std::string() : rpc::ErrorMessage(id, rpc::kInvalidParams, error),
            {} };
    }
    PreparedCall call;
    call.id = std::move(id);
    call.notification = notification;
    call.method = method;
    call.arguments = std::move(*arguments);
    return { {}, std::move(call) };
}

std::string Dispatcher::Run(
    const PreparedCall& call, CVelkorCtrl& control, std::optional<int32_t>* status) const
{
    if (call.method == nullptr) {
        return call.notification ? std::string() : rpc::ResultMessage(call.id, description_);
    }
    MethodResult result = call.method->invoke(control, call.arguments);
    std::string reply;
    if (auto* integer = std::get_if<int32_t>(&result)) {
        if (status != nullptr) {
            *status = *integer;
        }
        if (!call.notification) {
            reply = rpc::ResultMessage(call.id, *integer);
        }
        return reply;
    }
    // A text result may be a session-key hash or a clear account: no copy outlives the answer.
    Text& text = std::get<Text>(result);
    if (!call.notification) {
        std::string utf8 = TextToUtf8(text);
        reply = rpc::TextResultMessage(call.id, utf8);
    }
    WipeString(text);
    return reply;
}

} // namespace velkor
