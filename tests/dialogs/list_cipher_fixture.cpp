#include "list_cipher_fixture.h"

#include <vector>

namespace velkor::testing {

// Stand-in cipher until the session-key cipher lands: UTF-16LE bytes, block padding, hexadecimal.

Text ListCipherFixture::Encipher(std::u16string_view plain) const
{
    std::vector<uint8_t> bytes;
    for (char16_t c : plain) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    const uint8_t pad = static_cast<uint8_t>(8 - bytes.size() % 8);
    bytes.insert(bytes.end(), pad, pad);
    Text hex;
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    for (uint8_t b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

ListDecipher ListCipherFixture::Decipher()
{
    return [this](std::u16string_view hex, Text& plain) -> int32_t {
        ++calls;
        auto nibble = [](char16_t c) { return c <= u'9' ? c - u'0' : c - u'A' + 10; };
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<uint8_t>(nibble(hex[i]) * 16 + nibble(hex[i + 1])));
        }
        if (bytes.empty() || bytes.back() == 0 || bytes.back() > 8) {
            return 0xa001305;
        }
        bytes.resize(bytes.size() - bytes.back());
        plain.clear();
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            plain += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        }
        return 0;
    };
}

} // namespace velkor::testing
