#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "virtual_card.h"

// A reader with its own PIN pad. The host sends PIN commands with a blank PIN block and the
// reader puts in what the customer types; here the "typed" digits come from the configuration.
//   VERIFY with FF x 8      -> the same VERIFY with the block of `pin`
//   VERIFY header only      -> the same header followed by 08 and the block of `pin` (short form)
//   VERIFY with F0 x 8      -> PIN change: VERIFY with the block of `pin`; when the card answers
//                              9000, WRITE RECORD 00 D2 01 04 08 with the block of `newPin`
//   00 E2 (a command the card signs: transaction, record write)
//                           -> the data on the pad's display (standard error), VERIFY with the
//                              block of `pin`, and the command itself only when that answers 9000
//                              (otherwise the VERIFY's answer)
// Every other command passes unchanged. A pad without digits stands for a customer who cancels
// on the pad: blank-block and signed commands are answered 6401 without reaching the card.
namespace velkor::sim {

struct PinPadSettings {
    std::string pin;
    std::string newPin;
};

// 8 bytes: the digits packed two per byte, high nibble first, the rest filled with F.
// Null for anything but 1 to 16 decimal digits.
std::optional<Bytes> PinBlock(std::string_view digits);

using CardExchange = std::function<Bytes(const Bytes& command)>;

Bytes ExchangeThroughPinPad(
    const PinPadSettings& pad, const Bytes& command, const CardExchange& sendToCard);

} // namespace velkor::sim
