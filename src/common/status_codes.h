#pragma once

#include <cstdint>

// Status codes returned by the control's methods. Integers, 0 for success; the families are
// grouped by hexadecimal range so that a page can tell control, argument, decoding, cipher, card
// and procedure failures apart.
namespace velkor::status {

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kPinRefused = 1;

inline constexpr int32_t kUnavailable = -1; // PC/SC binding missing, listing failed, bad selector
inline constexpr int32_t kAttributeReadFailed = -2;
inline constexpr int32_t kNoContext = 7; // attribute read or probe before any context

inline constexpr int32_t kConversionFailed = 0x1001;
inline constexpr int32_t kNoReaderName = 0x1003;

inline constexpr int32_t kBadValue = 0x2001;
inline constexpr int32_t kBadLength = 0x2002;
inline constexpr int32_t kMissingArgument = 0x2003;

inline constexpr int32_t kDecodeFailed1 = 0x2102;
inline constexpr int32_t kDecodeFailed2 = 0x2103;
inline constexpr int32_t kDecodeFailed3 = 0x2104;

inline constexpr int32_t kCipherBadArgument = 0x3000;
inline constexpr int32_t kCipherBadLength = 0x3001;
inline constexpr int32_t kCipherBadPadding = 0x3002;

} // namespace velkor::status
