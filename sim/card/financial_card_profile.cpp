#include <algorithm>
#include <string_view>

#include "financial_card.h"
#include "hex.h"
#include "pin_pad.h"
#include "transaction_mac.h"

// Reads a financial card's profile from its JSON description (see sim/README.md).
namespace velkor::sim {

namespace {

constexpr size_t kSerialSize = 16;
constexpr size_t kIssuerChars = 8;
constexpr size_t kRemarkBytes = 30;
constexpr size_t kAccountRecords = 8;
constexpr size_t kAccountChars = 16;
constexpr size_t kSecondAccountChars = 24;
const char kDefaultTacKey[] = "404142434445464748494A4B4C4D4E4F";

// A record: its number, the length of what follows, then `content` padded with zero bytes.
Bytes Record(uint8_t number, const Bytes& content, size_t size)
{
    Bytes record(2 + size, 0x00);
    record[0] = number;
    record[1] = static_cast<uint8_t>(size);
    std::copy_n(content.begin(), std::min(content.size(), size), record.begin() + 2);
    return record;
}

bool ReadString(const nlohmann::json& description, const char* field, std::string& out,
    size_t maxChars, std::string& error)
{
    const auto found = description.find(field);
    if (found == description.end() || found->is_null()) {
        return true;
    }
    if (!found->is_string() || found->get<std::string>().size() > maxChars) {
        error = std::string("card.") + field + " must be a string of at most "
            + std::to_string(maxChars) + " characters";
        return false;
    }
    out = found->get<std::string>();
    return true;
}

bool ReadOptionalHex(const nlohmann::json& description, const char* field, Bytes& out,
    size_t minSize, size_t maxSize, std::string& error)
{
    const auto found = description.find(field);
    if (found == description.end() || found->is_null()) {
        return true;
    }
    if (!ReadHexField(description, field, "card", out, error)) {
        return false;
    }
    if (out.size() < minSize || out.size() > maxSize) {
        error = std::string("card.") + field + " must have " + std::to_string(minSize)
            + (minSize == maxSize ? "" : " to " + std::to_string(maxSize)) + " bytes";
        return false;
    }
    return true;
}

bool ReadInt(const nlohmann::json& description, const char* field, int64_t minimum, int64_t maximum,
    int64_t& out, std::string& error)
{
    const auto found = description.find(field);
    if (found == description.end() || found->is_null()) {
        return true;
    }
    if (!found->is_number_integer() || found->get<int64_t>() < minimum
        || found->get<int64_t>() > maximum) {
        error = std::string("card.") + field + " must be an integer from " + std::to_string(minimum)
            + " to " + std::to_string(maximum);
        return false;
    }
    out = found->get<int64_t>();
    return true;
}

// An account list: strings of at most `chars` characters, or null for a missing record.
bool ReadBool(const nlohmann::json& description, const char* field, bool& out, std::string& error)
{
    const auto it = description.find(field);
    if (it == description.end()) {
        return true;
    }
    if (!it->is_boolean()) {
        error = std::string("card.") + field + " must be true or false";
        return false;
    }
    out = it->get<bool>();
    return true;
}

bool ReadAccounts(const nlohmann::json& description, const char* field, size_t chars,
    uint8_t firstRecord, std::vector<std::optional<Bytes>>& records, std::string& error)
{
    const auto found = description.find(field);
    if (found == description.end() || found->is_null()) {
        return true;
    }
    if (!found->is_array() || found->size() > kAccountRecords) {
        error = std::string("card.") + field + " must be an array of at most 8 accounts";
        return false;
    }
    for (size_t i = 0; i < found->size(); ++i) {
        const auto& entry = (*found)[i];
        if (entry.is_null()) {
            records.push_back(std::nullopt);
            continue;
        }
        if (!entry.is_string() || entry.get<std::string>().size() > chars) {
            error = std::string("card.") + field + "[" + std::to_string(i)
                + "] must be null or a string of at most " + std::to_string(chars) + " characters";
            return false;
        }
        const std::string account = entry.get<std::string>();
        records.push_back(Record(
            static_cast<uint8_t>(firstRecord + i), Bytes(account.begin(), account.end()), chars));
    }
    return true;
}

bool ReadForcedAnswers(
    const nlohmann::json& description, std::vector<ForcedAnswer>& forced, std::string& error)
{
    const auto found = description.find("forcedAnswers");
    if (found == description.end() || found->is_null()) {
        return true;
    }
    if (!found->is_array()) {
        error = "card.forcedAnswers must be an array";
        return false;
    }
    for (size_t i = 0; i < found->size(); ++i) {
        const auto& entry = (*found)[i];
        const std::string where = "card.forcedAnswers[" + std::to_string(i) + "]";
        ForcedAnswer rule;
        if (!entry.is_object() || !ReadHexField(entry, "command", where, rule.prefix, error)
            || !ReadHexField(entry, "answer", where, rule.answer, error)) {
            if (error.empty()) {
                error = where + " must be an object";
            }
            return false;
        }
        if (rule.answer.size() < 2) {
            error = where + ".answer must end with SW1 SW2";
            return false;
        }
        const auto file = entry.find("file");
        if (file != entry.end() && !file->is_null()) {
            Bytes id;
            if (!ReadHexField(entry, "file", where, id, error) || id.size() != 2) {
                error = where + ".file must be a two-byte file identifier such as \"1001\"";
                return false;
            }
            rule.file = static_cast<uint16_t>(id[0] << 8 | id[1]);
        }
        const auto times = entry.find("times");
        if (times != entry.end() && !times->is_null()) {
            if (!times->is_number_integer() || times->get<int>() < -1 || times->get<int>() == 0) {
                error = where + ".times must be positive, or -1 for always";
                return false;
            }
            rule.times = times->get<int>();
        }
        forced.push_back(std::move(rule));
    }
    return true;
}

} // namespace

std::unique_ptr<VirtualCard> MakeFinancialCard(
    const nlohmann::json& description, const CardBasics& basics, std::string& error)
{
    FinancialCardProfile profile;
    profile.basics = basics;
    profile.serial.assign(kSerialSize, 0x00);
    profile.tacKey = *ParseHex(kDefaultTacKey);
    std::string issuer = "822";
    std::string pin = "123456";
    Bytes remark;
    int64_t tries = 3;
    int64_t triesLeft = -1;
    int64_t snum = 1;
    if (!ReadOptionalHex(description, "serial", profile.serial, kSerialSize, kSerialSize, error)
        || !ReadString(description, "issuer", issuer, kIssuerChars, error)
        || !ReadOptionalHex(description, "remark", remark, 0, kRemarkBytes, error)
        || !ReadString(description, "pin", pin, 12, error)
        || !ReadInt(description, "pinTries", 1, 15, tries, error)
        || !ReadInt(description, "triesLeft", 0, 15, triesLeft, error)
        || !ReadOptionalHex(description, "tacKey", profile.tacKey, kTacKeySize, kTacKeySize, error)
        || !ReadInt(description, "snum", 0, 99999999, snum, error)
        || !ReadBool(description, "transactionNeedsPin", profile.transactionNeedsPin, error)
        || !ReadForcedAnswers(description, profile.forced, error)) {
        return nullptr;
    }
    auto block = PinBlock(pin);
    if (!block || pin.size() < 6) {
        error = "card.pin must have 6 to 12 digits";
        return nullptr;
    }
    profile.pinBlock = std::move(*block);
    profile.pinTries = static_cast<int>(tries);
    profile.triesLeft = static_cast<int>(triesLeft < 0 ? tries : std::min(triesLeft, tries));
    profile.nextSnum = static_cast<uint32_t>(snum);

    profile.ef1001.push_back(Record(1, Bytes(issuer.begin(), issuer.end()), kIssuerChars));
    profile.ef1001.push_back(Record(2, remark, kRemarkBytes));
    if (!ReadAccounts(description, "accounts", kAccountChars, 3, profile.ef1001, error)
        || !ReadAccounts(
            description, "secondAccounts", kSecondAccountChars, 1, profile.ef1002, error)) {
        return nullptr;
    }
    return std::make_unique<FinancialCard>(std::move(profile));
}

} // namespace velkor::sim
