#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "virtual_card.h"

// Hexadecimal as the simulator configuration writes bytes: two digits per byte, either case,
// spaces allowed between bytes for readability.
namespace velkor::sim {

std::optional<Bytes> ParseHex(std::string_view text);
std::string ToHex(const Bytes& bytes); // upper case, no separators

} // namespace velkor::sim
