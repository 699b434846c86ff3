#include "card/pin_pad_reader.h"

#include "card/pin_commands.h"
#include "pcsc/reader_kind.h"

namespace velkor::card {

namespace {

constexpr size_t kClassifiedNameChars = 255;

} // namespace

PinPad PinPadOf(const OptText& readerName)
{
    if (!readerName) {
        return PinPad::None;
    }
    switch (pcsc::ClassifyReader(OptText(readerName->substr(0, kClassifiedNameChars)))) {
    case pcsc::kPinPadReaderKind1:
    case pcsc::kPinPadReaderKind3:
        return PinPad::LongForm;
    case pcsc::kPinPadReaderKind2:
        return PinPad::ShortForm;
    default:
        return PinPad::None;
    }
}

Result VerifyPinOnPad(pcsc::CardSlot slot, PinPad pad)
{
    switch (pad) {
    case PinPad::LongForm:
        return VerifyPinOnReader(slot);
    case PinPad::ShortForm:
        return VerifyPinOnReaderShort(slot);
    case PinPad::None:
        break;
    }
    return Outcome::NoPinPad;
}

} // namespace velkor::card
