#pragma once

#include <array>
#include <cstdint>

#include "pcsc/apdu_transmit.h"
#include "pcsc/status_words.h"

// The card's financial application and its files, and the plain commands every card operation is
// built from. Results follow TransmitApdu: 0 for 9000, a status word, a PC/SC error or -1.
namespace velkor::card {

inline constexpr std::array<uint8_t, 8> kApplicationId { 0xA0, 0x00, 0x00, 0x01, 0x72, 0x95, 0x00,
    0x01 };

using FileId = std::array<uint8_t, 2>;
inline constexpr FileId kAccountFile { 0x10, 0x01 }; // EF1001: issuer, remark, accounts
inline constexpr FileId kSecondAccountFile { 0x10, 0x02 }; // EF1002: second account list
inline constexpr FileId kPinFile { 0x00, 0xC2 };

// Whether a card command's result means success: 0, or the status word 9000 itself.
constexpr bool Succeeded(int32_t result)
{
    return result == 0 || result == pcsc::sw::kSuccess;
}

// SELECT by name of the application (00 A4 04 00 08 AID, Le 00).
int32_t SelectApplication(pcsc::CardSlot slot);
// SELECT of an elementary file of the application (00 A4 02 00 02 id, no Le).
int32_t SelectFile(pcsc::CardSlot slot, const FileId& file);
// READ RECORD `record` of the current file (00 B2 record 04 Le). `response` gets the record as
// the card returned it.
int32_t ReadRecord(pcsc::CardSlot slot, uint8_t record, uint8_t le, pcsc::ApduResponse& response);

} // namespace velkor::card
