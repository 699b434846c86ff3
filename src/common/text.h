#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/secure_buffer.h"

// The control's texts are UTF-16, as the page passes them. A text argument may be missing (the page
// passed null); OptText carries that distinction to the engines.
namespace velkor {

using Text = std::u16string;
using OptText = std::optional<std::u16string>;

// UTF-8 <-> UTF-16 for the edges of the system (command line, JSON, PC/SC reader names).
// Invalid sequences become U+FFFD.
Text Utf8ToText(std::string_view utf8);
std::string TextToUtf8(std::u16string_view text);

// `text` without the white space (in the C locale's sense) at either end.
std::string_view TrimAsciiSpace(std::string_view text);

// Bytes as the control reads them out of a text: the low 8 bits of each UTF-16 code unit.
// Wiped when released, since the text may be a PIN or a key.
SecureBytes TextLow8(std::u16string_view text);
// Each byte becomes one character whose code is the byte's value (0-255).
Text BytesAsText(const uint8_t* bytes, size_t count);

} // namespace velkor
