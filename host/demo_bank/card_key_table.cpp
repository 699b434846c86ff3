#include "card_key_table.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "hex.h"

namespace velkor::host {

namespace {

// The key the virtual financial card uses when its description names none.
constexpr std::string_view kVirtualCardDefaultTacKey = "404142434445464748494A4B4C4D4E4F";
constexpr size_t kTacKeyBytes = 16;

bool IsEmptyAccount(const std::string& account)
{
    return account.empty() || account.find_first_not_of('0') == std::string::npos;
}

} // namespace

bool CardKeyTable::Load(std::string_view json, std::string& error)
{
    const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        error = "not a JSON object";
        return false;
    }
    std::vector<const nlohmann::json*> cards;
    if (const auto readers = document.find("readers");
        readers != document.end() && readers->is_array()) {
        for (const auto& reader : *readers) {
            if (reader.is_object() && reader.contains("card") && reader["card"].is_object()) {
                cards.push_back(&reader["card"]);
            }
        }
    } else {
        cards.push_back(&document);
    }

    std::map<std::string, SecureBytes, std::less<>> keys;
    size_t count = 0;
    for (const nlohmann::json* card : cards) {
        if (card->value("kind", "") != "financial") {
            continue;
        }
        std::string keyText(kVirtualCardDefaultTacKey);
        if (const auto found = card->find("tacKey"); found != card->end() && !found->is_null()) {
            if (!found->is_string()) {
                error = "tacKey must be a hexadecimal string";
                return false;
            }
            keyText = found->get<std::string>();
        }
        std::optional<sim::Bytes> key = sim::ParseHex(keyText);
        WipeString(keyText);
        if (!key || key->size() != kTacKeyBytes) {
            if (key) {
                Wipe(key->data(), key->size());
            }
            error = "tacKey must have 16 bytes";
            return false;
        }
        const SecureBytes secure(key->data(), key->size());
        Wipe(key->data(), key->size());
        if (const auto accounts = card->find("accounts");
            accounts != card->end() && accounts->is_array()) {
            for (const auto& account : *accounts) {
                if (account.is_string() && !IsEmptyAccount(account.get<std::string>())) {
                    keys.insert_or_assign(account.get<std::string>(), secure);
                }
            }
        }
        ++count;
    }
    keys_ = std::move(keys);
    cards_ = count;
    return true;
}

bool CardKeyTable::LoadFile(const std::string& path, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!Load(text.str(), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

const SecureBytes* CardKeyTable::KeyForAccount(std::string_view account) const
{
    const auto found = keys_.find(account);
    return found == keys_.end() ? nullptr : &found->second;
}

} // namespace velkor::host
