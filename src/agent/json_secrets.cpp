#include "agent/json_secrets.h"

#include <vector>

#include "common/secure_buffer.h"

namespace velkor {

void WipeJsonStrings(nlohmann::json& value)
{
    // An explicit stack rather than recursion: the depth of a document is its sender's choice.
    std::vector<nlohmann::json*> pending { &value };
    while (!pending.empty()) {
        nlohmann::json* current = pending.back();
        pending.pop_back();
        if (current->is_string()) {
            WipeString(current->get_ref<std::string&>());
        } else if (current->is_array() || current->is_object()) {
            for (auto& element : *current) {
                pending.push_back(&element);
            }
        }
    }
}

std::string JsonStringLiteral(std::string_view utf8)
{
    static constexpr char kHex[] = "0123456789abcdef";
    constexpr size_t kWidestEscape = 6; // \u00XX
    std::string out;
    out.reserve(utf8.size() * kWidestEscape + 2);
    out.push_back('"');
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                const auto byte = static_cast<unsigned char>(c);
                out.append("\\u00");
                out.push_back(kHex[byte >> 4]);
                out.push_back(kHex[byte & 0x0F]);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
    return out;
}

} // namespace velkor
