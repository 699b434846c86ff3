#pragma once

#include <cstdint>
#include <variant>

#include "common/text.h"

// What crosses the scripting boundary: integer or text parameters (a text may be missing) and an
// integer or text result.
namespace velkor {

enum class ValueType { Integer, Text };

using MethodArgument = std::variant<int32_t, OptText>;
using MethodResult = std::variant<int32_t, Text>;

inline const char* ValueTypeName(ValueType type)
{
    return type == ValueType::Integer ? "integer" : "text";
}

} // namespace velkor
