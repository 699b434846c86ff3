#pragma once

#include <cstdint>

#include "card/card_result.h"
#include "common/text.h"
#include "pcsc/reader_session.h"

// Which PIN-pad verification a reader takes, told by its name, for the procedures that send the
// PIN to the reader's pad only when the reader has one.
namespace velkor::card {

enum class PinPad {
    None, // not a PIN-pad model: the PIN cannot be entered on the reader
    LongForm, // VERIFY with the blank FF block
    ShortForm, // VERIFY 80 20 00 10
};

// By the beginning of the reader's name (its first 255 characters are looked at); a missing or
// empty name has no pad.
PinPad PinPadOf(const OptText& readerName);

// The pad verification of `pad` (VerifyPinOnReader or VerifyPinOnReaderShort); NoPinPad for
// PinPad::None.
Result VerifyPinOnPad(pcsc::CardSlot slot, PinPad pad);

} // namespace velkor::card
