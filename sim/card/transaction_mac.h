#pragma once

#include <optional>

#include "virtual_card.h"

// The TAC of the virtual financial card: a CBC-MAC (ISO/IEC 9797-1 MAC algorithm 1, padding
// method 2, zero initial value) under the card's two-key TDEA key K1 K2 (K3 = K1), over the SNUM
// (8 characters) followed by the transaction command's data. The bank's host checks it with the
// same key (host/tac_check.h). Real cards compute their issuer's own TAC.
namespace velkor::sim {

inline constexpr size_t kTacKeySize = 16;
inline constexpr size_t kTacSize = 8;

// Null when the key is not 16 bytes or the cipher fails.
std::optional<Bytes> TransactionMac(const Bytes& key, const Bytes& message);

} // namespace velkor::sim
