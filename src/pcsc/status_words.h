#pragma once

#include <cstdint>

// Card status words (SW1 SW2) the card layer acts on, as the value SW1 * 256 + SW2 that
// TransmitApdu returns for them (9000 itself comes back as 0).
namespace velkor::pcsc::sw {

inline constexpr int32_t kSuccess = 0x9000;
inline constexpr int32_t kWrongLength = 0x6700;
inline constexpr int32_t kSecurityNotSatisfied = 0x6982;
inline constexpr int32_t kFileNotFound = 0x6A82;
inline constexpr int32_t kRecordNotFound = 0x6A83;
inline constexpr int32_t kWrongData = 0x6A80;
// Answers of the issuer's application whose meaning the card side does not state; PIN commands
// and the transaction command report them with codes of their own.
inline constexpr int32_t kPinAnswer6608 = 0x6608;
inline constexpr int32_t kPinAnswer6620 = 0x6620;
inline constexpr int32_t kTransactionAnswer6610 = 0x6610;
inline constexpr int32_t kTransactionAnswer69F0 = 0x69F0;

// SW1 values that ask for a further exchange: 61xx (xx bytes wait for GET RESPONSE) and 6Cxx
// (send the command again with Le = xx).
inline constexpr uint8_t kSw1BytesAvailable = 0x61;
inline constexpr uint8_t kSw1WrongLe = 0x6C;

} // namespace velkor::pcsc::sw
