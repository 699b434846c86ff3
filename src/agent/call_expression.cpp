#include "agent/call_expression.h"

#include <cctype>

#include "common/secure_buffer.h"
#include "common/text.h"

namespace velkor {

namespace {

bool IsNameChar(char c, bool first)
{
    const auto u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || (!first && (std::isdigit(u) || c == '.'));
}

} // namespace

std::optional<CallExpression> ParseCallExpression(std::string_view text, std::string& error)
{
    text = TrimAsciiSpace(text);
    size_t nameEnd = 0;
    while (nameEnd < text.size() && IsNameChar(text[nameEnd], nameEnd == 0)) {
        ++nameEnd;
    }
    if (nameEnd == 0) {
        error = "expected a method name";
        return std::nullopt;
    }
    CallExpression call;
    call.method = std::string(text.substr(0, nameEnd));
    const std::string_view rest = TrimAsciiSpace(text.substr(nameEnd));
    if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') {
        error = "expected '(' arguments ')' after " + call.method;
        return std::nullopt;
    }
    const std::string_view inner = rest.substr(1, rest.size() - 2);
    // The arguments may hold a PIN or a key: the one copy made here is wiped after parsing.
    std::string list;
    list.reserve(inner.size() + 2);
    list.append("[").append(inner).append("]");
    call.params = nlohmann::json::parse(list, nullptr, false);
    WipeString(list);
    if (call.params.is_discarded()) {
        error = "arguments of " + call.method + " are not JSON literals";
        return std::nullopt;
    }
    return call;
}

} // namespace velkor
