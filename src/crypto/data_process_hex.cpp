#include "crypto/data_process.h"

namespace velkor {

namespace {

// Value of a hexadecimal digit, or -1. A character outside ASCII is never a digit, whatever its
// low 8 bits (U+0130 would otherwise read as '0').
int DigitValue(char16_t c)
{
    if (c > 0x7F) {
        return -1;
    }
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

constexpr char16_t kUpperDigits[] = u"0123456789ABCDEF";

} // namespace

bool CDataProcess::HexToBytes(size_t digitCount, std::u16string_view text, uint8_t* output)
{
    if (digitCount > text.size() || (output == nullptr && digitCount != 0)) {
        return false;
    }
    for (size_t i = 0; i + 1 < digitCount; i += 2) {
        const int high = DigitValue(text[i]);
        const int low = DigitValue(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        output[i / 2] = static_cast<uint8_t>((high << 4) | low);
    }
    if (digitCount % 2 != 0) {
        const int high = DigitValue(text[digitCount - 1]);
        if (high < 0) {
            return false;
        }
        // The final byte keeps what the buffer held, shifted into its low nibble: a zeroed buffer
        // gives 0, a buffer prefilled with FF gives F (the PIN block relies on that).
        uint8_t& last = output[digitCount / 2];
        last = static_cast<uint8_t>((high << 4) | (last >> 4));
    }
    return true;
}

bool CDataProcess::BytesToHex(size_t byteCount, const uint8_t* bytes, Text& output)
{
    if (byteCount < 1 || bytes == nullptr) {
        return false;
    }
    output = HexText(std::span<const uint8_t>(bytes, byteCount));
    return true;
}

Text CDataProcess::HexText(std::span<const uint8_t> bytes)
{
    Text hex(bytes.size() * 2, u'0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        hex[2 * i] = kUpperDigits[bytes[i] >> 4];
        hex[2 * i + 1] = kUpperDigits[bytes[i] & 0x0F];
    }
    return hex;
}

} // namespace velkor
