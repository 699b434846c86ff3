#include "card/pin_block.h"

#include <algorithm>

#include "crypto/data_process.h"

namespace velkor::card {

Result CheckPin(const OptText& pin)
{
    if (!pin) {
        return Outcome::ArgumentMissing;
    }
    return CheckPinText(*pin);
}

Result CheckPinText(std::u16string_view pin)
{
    if (pin.size() < kMinPinDigits || pin.size() > kMaxPinDigits) {
        return Outcome::ArgumentWrongLength;
    }
    const bool digitsOnly
        = std::all_of(pin.begin(), pin.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    return digitsOnly ? Outcome::Done : Outcome::ArgumentNotDigits;
}

bool PackPinBlock(std::u16string_view pin, PinBlockBytes& block)
{
    block.fill(0xFF);
    if (!CheckPinText(pin).Ok()) {
        return false;
    }
    // Decimal digits pack exactly as hexadecimal ones; the FF fill gives the F of an odd tail.
    if (!CDataProcess::HexToBytes(pin.size(), pin, block.data())) {
        block.fill(0xFF);
        return false;
    }
    return true;
}

} // namespace velkor::card
