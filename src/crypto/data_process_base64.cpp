#include "crypto/data_process.h"

namespace velkor {

namespace {

constexpr uint8_t kOutsideAlphabet = 0x80;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

template <typename Out> Out Encode(const uint8_t* bytes, size_t count)
{
    Out out;
    if (bytes == nullptr || count == 0) {
        return out;
    }
    out.reserve((count + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out.push_back(kAlphabet[(group >> 18) & 0x3F]);
        out.push_back(kAlphabet[(group >> 12) & 0x3F]);
        out.push_back(kAlphabet[(group >> 6) & 0x3F]);
        out.push_back(kAlphabet[group & 0x3F]);
    }
    const size_t rest = count - i;
    if (rest == 1) {
        const uint32_t group = bytes[i] << 16;
        out.push_back(kAlphabet[(group >> 18) & 0x3F]);
        out.push_back(kAlphabet[(group >> 12) & 0x3F]);
        out.push_back('=');
        out.push_back('=');
    } else if (rest == 2) {
        const uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8);
        out.push_back(kAlphabet[(group >> 18) & 0x3F]);
        out.push_back(kAlphabet[(group >> 12) & 0x3F]);
        out.push_back(kAlphabet[(group >> 6) & 0x3F]);
        out.push_back('=');
    }
    return out;
}

// Characters outside the alphabet (and the padding itself) count as 0.
uint32_t SextetOf(uint8_t c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return 0;
}

} // namespace

std::string CDataProcess::Base64EncodeToBytes(const uint8_t* bytes, size_t count)
{
    return Encode<std::string>(bytes, count);
}

Text CDataProcess::Base64EncodeToText(const uint8_t* bytes, size_t count)
{
    return Encode<Text>(bytes, count);
}

SecureBytes CDataProcess::Base64Decode(std::u16string_view text)
{
    SecureBytes chars(text.size());
    size_t length = 0;
    for (const char16_t unit : text) {
        // A character outside ASCII is outside the alphabet (value 0), never a CR, LF or padding
        // that its low 8 bits might spell (U+010A, U+013D).
        const auto c = unit > 0x7F ? kOutsideAlphabet : static_cast<uint8_t>(unit);
        if (c != '\r' && c != '\n') {
            chars[length++] = c;
        }
    }
    if (length < 4 || length % 4 != 0) {
        return {};
    }
    size_t padding = 0;
    if (chars[length - 1] == '=') {
        padding = chars[length - 2] == '=' ? 2 : 1;
    }
    SecureBytes out(length / 4 * 3);
    for (size_t i = 0, o = 0; i < length; i += 4, o += 3) {
        const uint32_t group = (SextetOf(chars[i]) << 18) | (SextetOf(chars[i + 1]) << 12)
            | (SextetOf(chars[i + 2]) << 6) | SextetOf(chars[i + 3]);
        out[o] = static_cast<uint8_t>(group >> 16);
        out[o + 1] = static_cast<uint8_t>(group >> 8);
        out[o + 2] = static_cast<uint8_t>(group);
    }
    out.Truncate(out.size() - padding);
    return out;
}

} // namespace velkor
