#include "agent/json_arguments.h"

#include <cstdint>
#include <limits>

#include "agent/json_secrets.h"
#include "common/secure_buffer.h"

namespace velkor {

std::optional<std::vector<MethodArgument>> JsonToArguments(
    const MethodInfo& method, const nlohmann::json& params, std::string& error)
{
    const std::string name(method.name);
    if (!params.is_array()) {
        error = name + ": parameters must be an array";
        return std::nullopt;
    }
    if (params.size() != method.params.size()) {
        error = name + " takes " + std::to_string(method.params.size()) + " parameter(s), "
            + std::to_string(params.size()) + " given";
        return std::nullopt;
    }
    std::vector<MethodArgument> arguments;
    arguments.reserve(params.size());
    for (size_t i = 0; i < params.size(); ++i) {
        const auto& param = params[i];
        const std::string where = name + " parameter " + std::to_string(i + 1);
        if (method.params[i] == ValueType::Integer) {
            if (param.is_number_integer()) {
                const auto value = param.get<int64_t>();
                if (param.is_number_unsigned() && param.get<uint64_t>() > INT32_MAX) {
                    error = where + ": integer out of range";
                    return std::nullopt;
                }
                if (value < std::numeric_limits<int32_t>::min()
                    || value > std::numeric_limits<int32_t>::max()) {
                    error = where + ": integer out of range";
                    return std::nullopt;
                }
                arguments.emplace_back(static_cast<int32_t>(value));
            } else {
                error = where + ": expected an integer";
                return std::nullopt;
            }
        } else {
            if (param.is_null()) {
                arguments.emplace_back(OptText {});
            } else if (param.is_string()) {
                arguments.emplace_back(OptText { Utf8ToText(param.get_ref<const std::string&>()) });
            } else {
                error = where + ": expected a string or null";
                return std::nullopt;
            }
        }
    }
    return arguments;
}

std::string ResultJsonText(MethodResult& result)
{
    if (const auto* integer = std::get_if<int32_t>(&result)) {
        return std::to_string(*integer);
    }
    Text& text = std::get<Text>(result);
    std::string utf8 = TextToUtf8(text);
    WipeString(text);
    std::string literal = JsonStringLiteral(utf8);
    WipeString(utf8);
    return literal;
}

} // namespace velkor
