#include "card_factory.h"

#include <string_view>

#include "financial_card.h"
#include "hex.h"
#include "scripted_card.h"

namespace velkor::sim {

namespace {

using CardMaker = std::unique_ptr<VirtualCard> (*)(
    const nlohmann::json& description, const CardBasics& basics, std::string& error);

std::unique_ptr<VirtualCard> MakeScriptedCard(
    const nlohmann::json& description, const CardBasics& basics, std::string& error)
{
    std::vector<ScriptEntry> script;
    const auto found = description.find("script");
    if (found != description.end() && !found->is_null()) {
        if (!found->is_array()) {
            error = "card.script must be an array";
            return nullptr;
        }
        for (size_t i = 0; i < found->size(); ++i) {
            const auto& entry = (*found)[i];
            const std::string where = "card.script[" + std::to_string(i) + "]";
            if (!entry.is_object()) {
                error = where + " must be an object";
                return nullptr;
            }
            ScriptEntry parsed;
            if (!ReadHexField(entry, "command", where, parsed.command, error)
                || !ReadHexField(entry, "response", where, parsed.response, error)) {
                return nullptr;
            }
            if (parsed.command.size() < 4) {
                error = where + ".command must have at least the four header bytes";
                return nullptr;
            }
            if (parsed.response.size() < 2) {
                error = where + ".response must end with SW1 SW2";
                return nullptr;
            }
            script.push_back(std::move(parsed));
        }
    }
    return std::make_unique<ScriptedCard>(basics.atr, basics.protocol, std::move(script));
}

// One line per card kind; a new model registers here.
struct CardKind {
    std::string_view name;
    CardMaker make;
};
constexpr CardKind kCardKinds[] = {
    { "scripted", &MakeScriptedCard },
    { "financial", &MakeFinancialCard },
};

} // namespace

bool ReadHexField(const nlohmann::json& object, const char* field, const std::string& where,
    Bytes& out, std::string& error)
{
    const auto found = object.find(field);
    if (found == object.end() || !found->is_string()) {
        error = where + "." + field + " must be a hexadecimal string";
        return false;
    }
    auto bytes = ParseHex(found->get<std::string>());
    if (!bytes) {
        error = where + "." + field + " is not hexadecimal: " + found->get<std::string>();
        return false;
    }
    out = std::move(*bytes);
    return true;
}

bool ReadCardBasics(const nlohmann::json& description, CardBasics& basics, std::string& error)
{
    if (!ReadHexField(description, "atr", "card", basics.atr, error)) {
        return false;
    }
    if (basics.atr.size() < 2 || basics.atr.size() > 33) {
        error = "card.atr must have 2 to 33 bytes";
        return false;
    }
    const auto protocol = description.find("protocol");
    if (protocol == description.end() || protocol->is_null()) {
        basics.protocol = CardProtocol::T1;
        return true;
    }
    const std::string name = protocol->is_string() ? protocol->get<std::string>() : "";
    if (name == "T0" || name == "T=0") {
        basics.protocol = CardProtocol::T0;
    } else if (name == "T1" || name == "T=1") {
        basics.protocol = CardProtocol::T1;
    } else {
        error = "card.protocol must be \"T0\" or \"T1\"";
        return false;
    }
    return true;
}

std::unique_ptr<VirtualCard> MakeCard(const nlohmann::json& description, std::string& error)
{
    if (!description.is_object()) {
        error = "card must be an object (or null for an empty reader)";
        return nullptr;
    }
    CardBasics basics;
    if (!ReadCardBasics(description, basics, error)) {
        return nullptr;
    }
    std::string kind = "scripted";
    const auto found = description.find("kind");
    if (found != description.end() && !found->is_null()) {
        if (!found->is_string()) {
            error = "card.kind must be a string";
            return nullptr;
        }
        kind = found->get<std::string>();
    }
    for (const auto& known : kCardKinds) {
        if (known.name == kind) {
            return known.make(description, basics, error);
        }
    }
    error = "card.kind \"" + kind + "\" is not a known card model";
    return nullptr;
}

} // namespace velkor::sim
