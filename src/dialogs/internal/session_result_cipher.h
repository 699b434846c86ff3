#pragma once

#include <cstdint>
#include <string_view>

#include "common/text.h"
#include "control/ui.h" // the dialog requests' session-key texts

namespace velkor {

// Enciphers a dialog's result (as UTF-16LE) under the page's session key for the bank, into
// upper-case hexadecimal in `hex`. Returns 0 or the cipher's status; `hex` is then empty. The
// embedded key store is open only for the cipher call, so a message box shown after a failure
// never waits with it open.
int32_t EncipherResultForBank(std::u16string_view plain, const SessionKeyTexts& keys, Text& hex);

} // namespace velkor
