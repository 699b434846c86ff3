#pragma once

#include <cstdint>

#include "common/text.h"

namespace velkor {

// The control's session engine: mutual authentication and session key, the session-key data
// cipher, the net-bank procedures, file transfer and the locale query. Keeps no state.
class SessionEngine {
public:
    // Locale: 0 on a Traditional Chinese (Taiwan) system locale, 1 otherwise.
    int32_t GetLocaleType() const;
};

} // namespace velkor
