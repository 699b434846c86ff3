#pragma once

#include <cstdint>

#include "card/card_result.h"

namespace velkor {

// The page's status code of a card or transaction outcome: the one place where the layers'
// results become the integers a page compares with. A failed exchange is passed on as it came:
// the PC/SC error as a signed value, or the card's status word SW1 * 256 + SW2.
int32_t ToPageStatus(const card::Result& result);

} // namespace velkor
