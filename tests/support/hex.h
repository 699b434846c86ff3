#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The hexadecimal forms the card and transaction tests compare answers and commands with.
namespace velkor::testing {

// Each character's byte as two upper-case hexadecimal digits ("82" gives "3832").
inline std::string Hex(std::string_view ascii)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : ascii) {
        hex += kDigits[static_cast<uint8_t>(c) >> 4];
        hex += kDigits[static_cast<uint8_t>(c) & 0x0F];
    }
    return hex;
}

// The transaction command with `data`; under T=1 the control ends it with Le "00", under T=0 it
// sends none.
inline std::string TransactionCommand(const std::string& data, const std::string& le = "00")
{
    return "00E21080" + Hex(std::string(1, static_cast<char>(data.size()))) + Hex(data) + le;
}

} // namespace velkor::testing
