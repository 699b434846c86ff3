#pragma once

#include <array>
#include <cstdint>

#include "card/card_result.h"
#include "pcsc/apdu_transmit.h"
#include "pcsc/status_words.h"

// The card's financial application and its files, and the plain commands every card operation is
// built from. Each gives the exchange's result (apdu_transmit.h).
namespace velkor::card {

inline constexpr std::array<uint8_t, 8> kApplicationId { 0xA0, 0x00, 0x00, 0x01, 0x72, 0x95, 0x00,
    0x01 };

using FileId = std::array<uint8_t, 2>;
inline constexpr FileId kAccountFile { 0x10, 0x01 }; // EF1001: issuer, remark, accounts
inline constexpr FileId kSecondAccountFile { 0x10, 0x02 }; // EF1002: second account list
inline constexpr FileId kPinFile { 0x00, 0xC2 };

// Whether a card command was answered 9000.
inline bool Succeeded(const pcsc::ApduResult& result)
{
    return result.Succeeded();
}

// SELECT by name of the application (00 A4 04 00 08 AID, Le 00).
pcsc::ApduResult SelectApplication(pcsc::CardSlot slot);
// The same as the first step of an operation: Done, or ApplicationNotSelected.
Result EnterApplication(pcsc::CardSlot slot);
// SELECT of an elementary file of the application (00 A4 02 00 02 id, no Le).
pcsc::ApduResult SelectFile(pcsc::CardSlot slot, const FileId& file);
// READ RECORD `record` of the current file (00 B2 record 04 Le). `response` gets the record as
// the card returned it.
pcsc::ApduResult ReadRecord(
    pcsc::CardSlot slot, uint8_t record, uint8_t le, pcsc::ApduResponse& response);

} // namespace velkor::card
