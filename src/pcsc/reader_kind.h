#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"

// The PIN-pad reader models that PIN entry on the reader treats specially, recognised by the
// beginning of the reader's name.
namespace velkor::pcsc {

inline constexpr int32_t kOrdinaryReader = 0;
// Kinds 1 and 3 verify with the long PIN-pad command, kind 2 with the short one.
inline constexpr int32_t kPinPadReaderKind1 = 1;
inline constexpr int32_t kPinPadReaderKind2 = 2;
inline constexpr int32_t kPinPadReaderKind3 = 3;

// The kind 0 to 3 of a reader name given as bytes, or 8195 for an empty name.
int32_t ClassifyReader(std::string_view readerName);
// The same for a control text (narrowed to the low 8 bits of each character); 8195 when missing.
int32_t ClassifyReader(const OptText& readerName);

} // namespace velkor::pcsc
