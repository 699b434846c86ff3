#pragma once

#include <cstdint>

// Where the session engine holds a session key, RN1 and RN2 while one call runs. Module-wide and
// fixed, so that nothing secret is left in freed memory and tests can check it is wiped.
namespace velkor {

struct SessionWorkArea {
    uint8_t sessionKey[24];
    uint8_t rn1[8];
    uint8_t rn2[8];
    uint8_t rnPair[16];
};

SessionWorkArea& TheSessionWorkArea();

} // namespace velkor
