#include "apdu_redaction.h"

#include "hex.h"

namespace velkor::sim {

bool CarriesPin(const Bytes& apdu)
{
    if (apdu.size() <= 5) {
        return false; // header (and Le) only: nothing to hide
    }
    switch (apdu[1]) {
    case 0x20: // VERIFY
    case 0x24: // CHANGE REFERENCE DATA
    case 0x2C: // RESET RETRY COUNTER
    case 0xD2: // WRITE RECORD (the PIN record)
        return true;
    default:
        return false;
    }
}

std::string RedactedHex(const Bytes& apdu)
{
    if (!CarriesPin(apdu)) {
        return ToHex(apdu);
    }
    const size_t dataLength = apdu[4];
    const size_t dataEnd = std::min(apdu.size(), 5 + dataLength);
    std::string text = ToHex(Bytes(apdu.begin(), apdu.begin() + 5));
    for (size_t i = 5; i < dataEnd; ++i) {
        text += "**";
    }
    text += ToHex(Bytes(apdu.begin() + static_cast<ptrdiff_t>(dataEnd), apdu.end()));
    return text;
}

} // namespace velkor::sim
