#pragma once

#include <cstdint>
#include <span>

#include "card/card_result.h"
#include "common/text.h"
#include "pcsc/apdu_transmit.h"

// The card command that writes a record and answers with a transaction serial number (SNUM) and
// a transaction authorisation cryptogram (TAC): 00 E2 P1 P2 Lc data, Le 00. The transaction
// requests send it with P1 P2 = 10 80. Its answer: byte 0 unused, bytes 1 to 8 the SNUM (eight
// characters), bytes 9 and 10 unused, bytes 11 to 18 the TAC.
namespace velkor::card {

inline constexpr uint8_t kTransactionP1 = 0x10;
inline constexpr uint8_t kTransactionP2 = 0x80;
inline constexpr size_t kMaxSnumTacCommandChars = 128;

// Sends the command; the exchange's result.
pcsc::ApduResult SendSnumTacCommand(pcsc::CardSlot slot, uint8_t p1, uint8_t p2,
    std::span<const uint8_t> data, pcsc::ApduResponse& response);

// SNUM (one character per byte) and TAC (16 upper-case hexadecimal digits) out of an answer.
// False, leaving both untouched, when the answer is too short to hold them.
bool ReadSnumTac(std::span<const uint8_t> answer, Text& snum, Text& tac);

// The record write with SNUM and TAC: `p1p2` four hexadecimal digits, `command` the data, one
// byte per character, `length` its length. ArgumentMissing when a text is missing;
// ArgumentWrongLength when `p1p2` is not 4 characters, `length` differs from the command's length
// or the command exceeds 128 characters; ArgumentNotHex when `p1p2` is not hexadecimal;
// ExchangeFailed when the card does not answer 9000; AnswerTooShort for an answer too short for
// SNUM and TAC. When Done `snum` and `tac` hold the answer.
Result WriteRecordWithSnumTac(pcsc::CardSlot slot, const OptText& p1p2, int32_t length,
    const OptText& command, Text& snum, Text& tac);

} // namespace velkor::card
