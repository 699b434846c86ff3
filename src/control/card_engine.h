#pragma once

#include <cstdint>

#include "common/text.h"

namespace velkor {

// The control's card engine: card sessions, card commands, transaction requests, the web ATM
// procedures and the plain cipher services. It keeps no state: each operation takes the reader
// slot and references to the control members it fills.
class CardEngine {
public:
    // Reader and card session.

    // Cipher services.
};

} // namespace velkor
