#include "agent/dialog_script.h"

#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

namespace velkor {

namespace {

using nlohmann::json;

constexpr std::array<std::string_view, 9> kDialogNames = { "CTryFirm", "CTransSet", "CTransSetNet",
    "TransDeal", "TransCom", "TransOth", "CWebComDlg", "CWebComNetDlg", "FileOpen" };

bool ControlId(const json& value, int& id)
{
    if (!value.is_number_integer()) {
        return false;
    }
    const auto n = value.get<int64_t>();
    if (n < 0 || n > std::numeric_limits<int>::max()) {
        return false;
    }
    id = static_cast<int>(n);
    return true;
}

bool ControlIdText(const std::string& key, int& id)
{
    if (key.empty() || key.size() > 9 || key.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    id = std::stoi(key);
    return true;
}

// An [ID, VALUE] pair whose VALUE `valueOk` accepts.
template <typename Check> bool IdPair(const json& value, int& id, Check valueOk)
{
    return value.is_array() && value.size() == 2 && ControlId(value[0], id) && valueOk(value[1]);
}

bool ParseExpectation(const json& value, ExpectedControl& expected, std::string& error)
{
    if (value.is_string()) {
        expected.text = Utf8ToText(value.get<std::string>());
        return true;
    }
    if (!value.is_object()) {
        error = "a control's expectation is a text or an object";
        return false;
    }
    for (const auto& [key, item] : value.items()) {
        if (key == "text" && item.is_string()) {
            expected.text = Utf8ToText(item.get<std::string>());
        } else if (key == "enabled" && item.is_boolean()) {
            expected.enabled = item.get<bool>();
        } else if (key == "visible" && item.is_boolean()) {
            expected.visible = item.get<bool>();
        } else {
            error = "\"" + key + "\" is not text (a string), enabled or visible (booleans)";
            return false;
        }
    }
    return true;
}

bool ParseAction(const json& value, ScriptAction& action, std::string& error)
{
    using Kind = ScriptAction::Kind;
    if (!value.is_object() || value.size() != 1) {
        error = "an action is an object with one key";
        return false;
    }
    const auto first = value.begin();
    const std::string name = first.key();
    const json& argument = first.value();
    action.source = value.dump();
    auto text = [&](const json& item) {
        if (!item.is_string()) {
            return false;
        }
        action.text = Utf8ToText(item.get<std::string>());
        return true;
    };
    if (name == "click") {
        action.kind = Kind::kClick;
        if (ControlId(argument, action.control)) {
            return true;
        }
        error = "click takes a control id (a number)";
    } else if (name == "clickRow") {
        action.kind = Kind::kClickRow;
        if (ControlId(argument, action.index)) {
            return true;
        }
        error = "clickRow takes a row number (from 0)";
    } else if (name == "select") {
        action.kind = Kind::kSelect;
        if (IdPair(argument, action.control,
                [&](const json& item) { return ControlId(item, action.index); })) {
            return true;
        }
        error = "select takes [ID, INDEX] (numbers, INDEX from 0)";
    } else if (name == "keys" || name == "paste") {
        action.kind = name == "keys" ? Kind::kKeys : Kind::kPaste;
        if (IdPair(argument, action.control, text)) {
            return true;
        }
        error = name + " takes [ID, \"TEXT\"]";
    } else if (name == "type") {
        action.kind = Kind::kType;
        if (text(argument)) {
            return true;
        }
        error = "type takes a text";
    } else if (name == "wait") {
        action.kind = Kind::kWait;
        if (argument.is_number() && std::isfinite(argument.get<double>())
            && argument.get<double>() >= 0 && argument.get<double>() <= 86400) {
            action.seconds = argument.get<double>();
            return true;
        }
        error = "wait takes seconds (a number from 0 to 86400)";
    } else if (name == "card") {
        action.kind = Kind::kCard;
        if (argument == "remove" || argument == "insert") {
            action.insertCard = argument == "insert";
            return true;
        }
        error = "card takes \"remove\" or \"insert\"";
    } else if (name == "expect") {
        action.kind = Kind::kExpect;
        if (!argument.is_object() || argument.empty()) {
            error = "expect takes an object of control ids";
            return false;
        }
        for (const auto& [key, item] : argument.items()) {
            int id = 0;
            if (!ControlIdText(key, id)) {
                error = "expect: \"" + key + "\" is not a control id";
                return false;
            }
            ExpectedControl expected;
            if (!ParseExpectation(item, expected, error)) {
                error = "expect " + key + ": " + error;
                return false;
            }
            action.expectations.emplace_back(id, std::move(expected));
        }
        return true;
    } else if (name == "file") {
        action.kind = Kind::kFile;
        if (text(argument) && !action.text.empty()) {
            return true;
        }
        error = "file takes a path (a non-empty text)";
    } else if (name == "expectMessage") {
        action.kind = Kind::kExpectMessage;
        if (text(argument)) {
            return true;
        }
        error = "expectMessage takes a text";
    } else {
        error = "unknown action \"" + name + "\"";
    }
    return false;
}

} // namespace

bool IsScriptedDialogName(std::string_view name)
{
    for (const auto known : kDialogNames) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

std::optional<DialogScript> ParseDialogScript(std::string_view text, std::string& error)
{
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        error = "not JSON";
        return std::nullopt;
    }
    if (!document.is_object() || !document.contains("dialogs") || !document["dialogs"].is_array()) {
        error = "the script is an object with a \"dialogs\" array";
        return std::nullopt;
    }
    DialogScript script;
    size_t number = 0;
    for (const json& entry : document["dialogs"]) {
        ++number;
        const std::string where = "dialog " + std::to_string(number) + ": ";
        if (!entry.is_object() || !entry.contains("expect") || !entry["expect"].is_string()) {
            error = where + "an entry is an object with \"expect\": NAME";
            return std::nullopt;
        }
        ScriptedDialogEntry parsed;
        parsed.expect = entry["expect"].get<std::string>();
        if (!IsScriptedDialogName(parsed.expect)) {
            error = where + "\"" + parsed.expect + "\" is not a dialog's class name";
            return std::nullopt;
        }
        for (const auto& [key, value] : entry.items()) {
            if (key != "expect" && key != "actions") {
                error = where + "unknown key \"" + key + "\"";
                return std::nullopt;
            }
        }
        if (entry.contains("actions")) {
            if (!entry["actions"].is_array()) {
                error = where + "\"actions\" is an array";
                return std::nullopt;
            }
            size_t index = 0;
            for (const json& value : entry["actions"]) {
                ++index;
                ScriptAction action;
                if (!ParseAction(value, action, error)) {
                    error = where + "action " + std::to_string(index) + ": " + error;
                    return std::nullopt;
                }
                parsed.actions.push_back(std::move(action));
            }
        }
        script.dialogs.push_back(std::move(parsed));
    }
    return script;
}

std::optional<DialogScript> LoadDialogScript(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    const std::string text(
        (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return ParseDialogScript(text, error);
}

} // namespace velkor
