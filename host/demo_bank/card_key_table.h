#pragma once

#include <map>
#include <string>
#include <string_view>

#include "common/secure_buffer.h"

// The TAC keys the demo bank checks transactions with, one per virtual financial card, found by
// any of the card's accounts (what GetTransactionAccount reports identifies the card).
//
// Demo only: the keys come from the simulator's own card descriptions (a reader configuration
// such as sim/configs/demo.json, or a single card profile such as sim/cards/several-accounts.json),
// the same file the simulated readers were started with. A bank keeps its cards' keys in its
// hardware security module and never in a file next to the cards.
namespace velkor::host {

class CardKeyTable {
public:
    // Reads every card of `"kind": "financial"` from the JSON text; a card without `tacKey` has
    // the virtual card's default key. False, with `error`, on malformed text or keys.
    bool Load(std::string_view json, std::string& error);
    bool LoadFile(const std::string& path, std::string& error);

    // The key of the card that holds `account`; null when no card does.
    const SecureBytes* KeyForAccount(std::string_view account) const;
    size_t CardCount() const { return cards_; }

private:
    std::map<std::string, SecureBytes, std::less<>> keys_;
    size_t cards_ = 0;
};

} // namespace velkor::host
