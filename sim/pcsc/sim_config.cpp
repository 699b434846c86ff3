#include "sim_config.h"

#include <fstream>
#include <set>
#include <sstream>

#include "card_factory.h"

namespace velkor::sim {

namespace {

constexpr const char* kCalls[] = { "SCardEstablishContext", "SCardReleaseContext",
    "SCardIsValidContext", "SCardListReaders", "SCardConnect", "SCardReconnect", "SCardDisconnect",
    "SCardStatus", "SCardTransmit", "SCardGetAttrib", "SCardBeginTransaction",
    "SCardEndTransaction", "SCardGetStatusChange" };

bool ReadOptionalString(const nlohmann::json& object, const char* field, const std::string& where,
    std::optional<std::string>& out, std::string& error)
{
    const auto found = object.find(field);
    if (found == object.end() || found->is_null()) {
        return true;
    }
    if (!found->is_string()) {
        error = where + "." + field + " must be a string";
        return false;
    }
    out = found->get<std::string>();
    return true;
}

bool ReadInt(const nlohmann::json& object, const char* field, const std::string& where, int& out,
    std::string& error)
{
    const auto found = object.find(field);
    if (found == object.end() || found->is_null()) {
        return true;
    }
    if (!found->is_number_integer()) {
        error = where + "." + field + " must be an integer";
        return false;
    }
    out = found->get<int>();
    return true;
}

// A PC/SC result is written as a hexadecimal string ("0x80100069") or a number.
bool ReadResult(
    const nlohmann::json& value, const std::string& where, int32_t& out, std::string& error)
{
    if (value.is_number_integer()) {
        out = static_cast<int32_t>(value.get<int64_t>());
        return true;
    }
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        try {
            size_t used = 0;
            const unsigned long long parsed = std::stoull(text, &used, 0);
            if (used == text.size() && parsed <= 0xFFFFFFFFull) {
                out = static_cast<int32_t>(static_cast<uint32_t>(parsed));
                return true;
            }
        } catch (const std::exception&) {
        }
    }
    error = where + ".result must be a PC/SC code such as \"0x80100069\"";
    return false;
}

bool ReadCall(
    const nlohmann::json& object, const std::string& where, std::string& out, std::string& error)
{
    const auto found = object.find("call");
    if (found == object.end() || !found->is_string()
        || !IsSimulatedCall(found->get<std::string>())) {
        error = where + ".call must name a simulated PC/SC call, such as \"SCardConnect\"";
        return false;
    }
    out = found->get<std::string>();
    return true;
}

// An optional card description, checked by building the card once.
bool ReadCard(
    const nlohmann::json& entry, const std::string& where, nlohmann::json& out, std::string& error)
{
    const auto card = entry.find("card");
    if (card == entry.end() || card->is_null()) {
        return true;
    }
    std::string cardError;
    if (!MakeCard(*card, cardError)) {
        error = where + "." + cardError;
        return false;
    }
    out = *card;
    return true;
}

bool ParseReader(
    const nlohmann::json& entry, const std::string& where, ReaderConfig& reader, std::string& error)
{
    if (!entry.is_object()) {
        error = where + " must be an object";
        return false;
    }
    std::optional<std::string> name;
    if (!ReadOptionalString(entry, "name", where, name, error)) {
        return false;
    }
    if (!name || name->empty()) {
        error = where + ".name is required";
        return false;
    }
    reader.name = *name;
    if (!ReadOptionalString(entry, "vendorName", where, reader.vendorName, error)
        || !ReadOptionalString(entry, "ifdType", where, reader.ifdType, error)) {
        return false;
    }
    const auto version = entry.find("ifdVersion");
    if (version != entry.end() && !version->is_null()) {
        if (!version->is_number_unsigned() || version->get<uint64_t>() > 0xFFFFFFFFull) {
            error = where + ".ifdVersion must be a 32-bit unsigned number";
            return false;
        }
        reader.ifdVersion = static_cast<uint32_t>(version->get<uint64_t>());
    }
    const auto pad = entry.find("pinPad");
    if (pad != entry.end() && !pad->is_null()) {
        if (!pad->is_object()) {
            error = where + ".pinPad must be an object";
            return false;
        }
        std::optional<std::string> pin;
        std::optional<std::string> newPin;
        if (!ReadOptionalString(*pad, "pin", where + ".pinPad", pin, error)
            || !ReadOptionalString(*pad, "newPin", where + ".pinPad", newPin, error)) {
            return false;
        }
        reader.pinPad = PinPadSettings { pin.value_or(""), newPin.value_or("") };
    }
    return ReadCard(entry, where, reader.card, error);
}

bool ParseFault(
    const nlohmann::json& entry, const std::string& where, FaultConfig& fault, std::string& error)
{
    if (!entry.is_object()) {
        error = where + " must be an object";
        return false;
    }
    const auto result = entry.find("result");
    if (result == entry.end()) {
        error = where + ".result is required";
        return false;
    }
    if (!ReadCall(entry, where, fault.call, error)
        || !ReadResult(*result, where, fault.result, error)
        || !ReadInt(entry, "times", where, fault.times, error)
        || !ReadInt(entry, "after", where, fault.after, error)
        || !ReadOptionalString(entry, "reader", where, fault.reader, error)) {
        return false;
    }
    if (fault.times < -1 || fault.times == 0 || fault.after < 0) {
        error = where + ": times must be positive (or -1 for always) and after not negative";
        return false;
    }
    return true;
}

bool ParseEvent(const nlohmann::json& entry, const std::string& where,
    const std::set<std::string>& readerNames, EventConfig& event, std::string& error)
{
    if (!entry.is_object()) {
        error = where + " must be an object";
        return false;
    }
    std::optional<std::string> action;
    std::optional<std::string> reader;
    if (!ReadCall(entry, where, event.call, error)
        || !ReadInt(entry, "nth", where, event.nth, error)
        || !ReadOptionalString(entry, "action", where, action, error)
        || !ReadOptionalString(entry, "reader", where, reader, error)) {
        return false;
    }
    if (event.nth < 1) {
        error = where + ".nth must be 1 or more";
        return false;
    }
    if (action == "remove") {
        event.action = EventConfig::Action::Remove;
    } else if (action == "insert") {
        event.action = EventConfig::Action::Insert;
    } else {
        error = where + ".action must be \"remove\" or \"insert\"";
        return false;
    }
    if (!reader || readerNames.count(*reader) == 0) {
        error = where + ".reader must name a configured reader";
        return false;
    }
    event.reader = *reader;
    return ReadCard(entry, where, event.card, error);
}

// Parses each entry of an optional array into `items`; `parse(entry, where, item)` reports its own
// error.
template <typename Item, typename Parse>
bool ParseList(const nlohmann::json& root, const char* field, std::vector<Item>& items, Parse parse,
    std::string& error)
{
    const auto found = root.find(field);
    if (found == root.end() || found->is_null()) {
        return true;
    }
    if (!found->is_array()) {
        error = std::string(field) + " must be an array";
        return false;
    }
    for (size_t i = 0; i < found->size(); ++i) {
        Item item;
        if (!parse((*found)[i], std::string(field) + "[" + std::to_string(i) + "]", item)) {
            return false;
        }
        items.push_back(std::move(item));
    }
    return true;
}

} // namespace

bool IsSimulatedCall(const std::string& name)
{
    for (const char* call : kCalls) {
        if (name == call) {
            return true;
        }
    }
    return false;
}

std::optional<SimConfig> ParseSimConfig(const std::string& jsonText, std::string& error)
{
    const nlohmann::json root = nlohmann::json::parse(jsonText, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        error = "not a JSON object";
        return std::nullopt;
    }
    SimConfig config;
    std::set<std::string> names;
    const auto reader
        = [&](const nlohmann::json& entry, const std::string& where, ReaderConfig& item) {
              if (!ParseReader(entry, where, item, error)) {
                  return false;
              }
              if (!names.insert(item.name).second) {
                  error = where + ".name repeats \"" + item.name + "\"";
                  return false;
              }
              return true;
          };
    const auto fault = [&](const nlohmann::json& entry, const std::string& where,
                           FaultConfig& item) { return ParseFault(entry, where, item, error); };
    const auto event
        = [&](const nlohmann::json& entry, const std::string& where, EventConfig& item) {
              return ParseEvent(entry, where, names, item, error);
          };
    const bool ok = ParseList(root, "readers", config.readers, reader, error)
        && ParseList(root, "faults", config.faults, fault, error)
        && ParseList(root, "events", config.events, event, error);
    if (!ok) {
        return std::nullopt;
    }
    return config;
}

std::optional<SimConfig> LoadSimConfig(const std::string& path, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    auto config = ParseSimConfig(text.str(), error);
    if (!config) {
        error = path + ": " + error;
    }
    return config;
}

} // namespace velkor::sim
