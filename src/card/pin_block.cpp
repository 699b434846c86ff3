#include "card/pin_block.h"

#include <algorithm>

#include "common/status_codes.h"
#include "crypto/data_process.h"

namespace velkor::card {

int32_t CheckPin(const OptText& pin)
{
    if (!pin) {
        return status::kMissingArgument;
    }
    return CheckPinText(*pin);
}

int32_t CheckPinText(std::u16string_view pin)
{
    if (pin.size() < kMinPinDigits || pin.size() > kMaxPinDigits) {
        return status::kBadLength;
    }
    const bool digitsOnly
        = std::all_of(pin.begin(), pin.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    return digitsOnly ? status::kOk : status::kBadValue;
}

bool PackPinBlock(std::u16string_view pin, PinBlockBytes& block)
{
    block.fill(0xFF);
    if (CheckPinText(pin) != status::kOk) {
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
