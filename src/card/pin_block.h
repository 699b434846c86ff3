#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "card/card_result.h"
#include "common/text.h"

// The PIN as the card's VERIFY and PIN record take it: 8 bytes, the digits packed two per byte
// (first digit in the high nibble) into a block filled with FF, so that an odd final digit leaves
// F in the low nibble of its byte.
namespace velkor::card {

inline constexpr size_t kPinBlockSize = 8;
inline constexpr size_t kMinPinDigits = 6;
inline constexpr size_t kMaxPinDigits = 12;

using PinBlockBytes = std::array<uint8_t, kPinBlockSize>;

// The blank blocks a PIN-pad reader fills in with what the customer types on it.
inline constexpr PinBlockBytes kPadVerifyBlock { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF };
inline constexpr PinBlockBytes kPadChangeBlock { 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0 };

// Whether `pin` may be sent: Done; ArgumentMissing, ArgumentWrongLength for fewer than 6 or more
// than 12 characters, ArgumentNotDigits for a character other than "0" to "9" (each UTF-16 code
// unit is one character).
Result CheckPin(const OptText& pin);
// The same checks for a text known to be present.
Result CheckPinText(std::u16string_view pin);

// Packs a PIN that passed CheckPin. False (block all FF) for anything else. The caller wipes
// the block.
bool PackPinBlock(std::u16string_view pin, PinBlockBytes& block);

} // namespace velkor::card
