#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Bytes written as hexadecimal, the way vectors are published and commands are logged, and back.
// Independent of the product's own hexadecimal code, so a fault there cannot hide in a test's
// expectation.
namespace velkor::testing {

// Throws on anything but an even number of hexadecimal digits, so that a mistyped vector fails.
inline std::vector<uint8_t> FromHex(std::string_view hex)
{
    if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789ABCDEFabcdef") != hex.npos) {
        throw std::invalid_argument("not hexadecimal: " + std::string(hex));
    }
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        bytes.push_back(
            static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

// Upper case, two digits a byte.
inline std::string ToHex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

} // namespace velkor::testing
