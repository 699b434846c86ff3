#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/text.h"

// The small scanner that reads the dialogs' parameter documents. The documents look like XML but
// are read with plain substring searches: fixed start and end tags, attribute values between
// double quotes, no nesting, no entities, no escaping. Every search except the element counter
// compares ASCII letters without regard to case. All functions work on views of the caller's
// text and never read outside it.
namespace velkor::scanner {

inline constexpr size_t kNotFound = std::u16string_view::npos;

// How Trim treats the ends of a text: kControls removes characters below U+0020 and keeps
// spaces; kBlanks removes everything up to and including U+0020.
enum class TrimMode { kBlanks = 0, kControls = 1 };

// The document as its writer meant it: everything before the first NUL character.
std::u16string_view UpToNul(std::u16string_view text);

// Position of the first occurrence of `needle` at or after `from`, ASCII letters compared
// case-insensitively; kNotFound when absent.
size_t FindNoCase(std::u16string_view text, std::u16string_view needle, size_t from = 0);
// Position of the last occurrence of `needle` (exact comparison); kNotFound when absent.
size_t FindLast(std::u16string_view text, std::u16string_view needle);

// Number of positions at which `tag` starts, compared exactly (case-sensitive).
size_t CountElements(std::u16string_view document, std::u16string_view tag);

// Removes leading and trailing characters as `mode` says.
std::u16string_view Trim(std::u16string_view text, TrimMode mode);
void TrimInPlace(Text& text, TrimMode mode);

// The text between the first `startTag` and the first `endTag` after it, trimmed with
// kControls and cut to `capacity` - 1 characters (the slot's size including its terminator).
// Missing when the start tag is absent or no end tag follows it.
std::optional<Text> ReadTag(std::u16string_view document, std::u16string_view startTag,
    std::u16string_view endTag, size_t capacity);
// As ReadTag, but the start tag's `occurrence`-th (0-based) appearance is used.
std::optional<Text> ReadTagOccurrence(std::u16string_view document, std::u16string_view startTag,
    std::u16string_view endTag, size_t occurrence, size_t capacity);
// Every occurrence of the start tag is read; the last one with an end tag after it wins.
std::optional<Text> ReadLastTag(std::u16string_view document, std::u16string_view startTag,
    std::u16string_view endTag, size_t capacity);

// The text of the (index+1)-th element opened by `openTag` (for instance "<AtmNode"): from just
// after the open tag up to and including "/>" or `endTag`, whichever comes first. Missing when
// there is no such element or it is not closed.
std::optional<std::u16string_view> ReadElementText(std::u16string_view document,
    std::u16string_view openTag, std::u16string_view endTag, size_t index);

// The value of attribute `name` in an element text: from the first double quote after the first
// occurrence of the name to the next double quote, trimmed with kBlanks and cut to `capacity` - 1
// characters. Empty when the name or the quotes are missing.
Text ReadAttribute(std::u16string_view elementText, std::u16string_view name, size_t capacity);

// The content of an element text: after its first ">", leading spaces, CR and LF skipped, up to
// the first `endTag`, trimmed with kBlanks. Empty when the end tag is missing.
Text ReadContent(std::u16string_view elementText, std::u16string_view endTag);

// Decimal conversion of a wide string as the C library does it: leading blanks skipped, an
// optional sign, digits up to the first non-digit; no digits gives 0. Saturates at the int32
// range instead of overflowing.
int32_t ToInteger(std::u16string_view text);

} // namespace velkor::scanner
