#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "virtual_card.h"

// Builds a card from its JSON description, the `card` object of a simulated reader or the file
// given to velkor-cardsim. Every kind shares "atr" (hexadecimal, required) and "protocol" ("T0" or
// "T1", default "T1"); "kind" picks the model ("scripted" when absent) and each kind reads its own
// further fields. Unknown fields are ignored, so one description can serve several kinds.
namespace velkor::sim {

struct CardBasics {
    Bytes atr;
    CardProtocol protocol = CardProtocol::T1;
};

// On failure returns null and says which field is wrong in `error`.
std::unique_ptr<VirtualCard> MakeCard(const nlohmann::json& description, std::string& error);

// For card kinds: the shared fields, and a hexadecimal field of the description.
bool ReadCardBasics(const nlohmann::json& description, CardBasics& basics, std::string& error);
bool ReadHexField(const nlohmann::json& object, const char* field, const std::string& where,
    Bytes& out, std::string& error);

} // namespace velkor::sim
