#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "crypto/data_process.h"

// Hexadecimal helpers for the crypto tests: vectors are written as published, in hexadecimal.
namespace velkor::testing {

inline std::vector<uint8_t> Bytes(std::string_view hex)
{
    std::vector<uint8_t> out((hex.size() + 1) / 2, 0);
    const Text text(hex.begin(), hex.end());
    if (!CDataProcess::HexToBytes(hex.size(), text, out.data())) {
        out.clear();
    }
    return out;
}

inline std::string Hex(const uint8_t* bytes, size_t count)
{
    return TextToUtf8(CDataProcess::HexText(std::span<const uint8_t>(bytes, count)));
}

inline std::string Hex(const std::vector<uint8_t>& bytes)
{
    return Hex(bytes.data(), bytes.size());
}

inline Text T(std::string_view ascii)
{
    return Text(ascii.begin(), ascii.end());
}

} // namespace velkor::testing
