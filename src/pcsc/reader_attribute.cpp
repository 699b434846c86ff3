#include <cstdio>

#include <PCSC/reader.h>

#include "session_state.h"

namespace velkor::pcsc {

using namespace detail;

namespace {

// The version attribute is a 32-bit value 0xMMmmbbbb (major, minor, build).
std::vector<uint8_t> VersionText(const uint8_t* bytes, DWORD length)
{
    uint32_t version = 0;
    for (DWORD i = 0; i < length && i < sizeof(version); ++i) {
        version |= static_cast<uint32_t>(bytes[i]) << (8 * i); // the DWORD in host order
    }
    char digits[9] = {};
    std::snprintf(digits, sizeof(digits), "%08x", version);
    const char text[10] = { digits[0], digits[1], '.', digits[2], digits[3], '.', digits[4],
        digits[5], digits[6], digits[7] };
    return std::vector<uint8_t>(text, text + sizeof(text));
}

} // namespace

int32_t ReaderSession::GetReaderAttribute(
    int32_t slotIndex, int32_t selector, std::vector<uint8_t>& value)
{
    if (Bind() != 0) {
        return kUnavailable;
    }
    value.clear();
    SessionState& session = *state_;
    if (!session.context.Held()) {
        return kNoContext;
    }
    DWORD attribute = 0;
    switch (selector) {
    case kVendorName:
        attribute = SCARD_ATTR_VENDOR_NAME;
        break;
    case kReaderType:
        attribute = SCARD_ATTR_VENDOR_IFD_TYPE;
        break;
    case kReaderVersion:
        attribute = SCARD_ATTR_VENDOR_IFD_VERSION;
        break;
    default:
        return kUnavailable;
    }
    if (!IsValidSlot(slotIndex)) {
        return kUnavailable;
    }
    uint8_t buffer[kAttributeCapacity] = {};
    DWORD length = kAttributeCapacity;
    const int32_t result = Api().GetAttribute(
        session.readerSlots[static_cast<size_t>(slotIndex)].card, attribute, buffer, length);
    if (result != 0) {
        return result;
    }
    value = selector == kReaderVersion ? VersionText(buffer, length)
                                       : std::vector<uint8_t>(buffer, buffer + length);
    return 0;
}

} // namespace velkor::pcsc
