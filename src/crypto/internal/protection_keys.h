#pragma once

#include <cstddef>
#include <cstdint>

// Built-in key material of the dialog-key wrapping and of display protection. Only windows of 16
// bytes are ever used as keys, at offsets the dialogs draw at random (0..31).
namespace velkor::protection {

inline constexpr size_t kEntryKeyCount = 4;
inline constexpr size_t kEntryKeyUsedBytes = 64;
inline constexpr size_t kDisplayKeyUsedBytes = 48;
inline constexpr size_t kWindowBytes = 16;

// Four strings of 73 printable characters; the first 64 bytes of each are used.
extern const char kEntryKeyTable[kEntryKeyCount][74];
// 67 printable characters; the first 48 bytes are used.
extern const char kDisplayKeyString[68];
// Initial values: the first 8 characters of an 11- and a 9-character label.
extern const char kEntryInitialValueLabel[12];
extern const char kDisplayInitialValueLabel[10];

} // namespace velkor::protection
