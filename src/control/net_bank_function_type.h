#pragma once

#include <cstdint>
#include <string_view>

#include "control/dialog_requests.h"

// Which dialog the net-bank transfer procedure runs: the parameter document names it in its
// `<FunType>` tag.
namespace velkor {

// The function type of `document`: the text of the first `<FunType>` tag (ASCII letters of both
// tags compared without regard to case) that has a `</FunType>` after it, at most 127 characters
// of it, control characters trimmed off both ends, read as a C-style integer (leading white space
// and a sign allowed, reading stops at the first non-digit, no digits gives 0, values beyond the
// 32-bit range saturate as the C runtime's conversion does). 7 or more counts as 0; no tag gives
// -1.
int32_t ReadFunctionType(std::u16string_view document);

// The dialog a function type selects.
enum class NetBankDialog { TransDeal, TransCom, TransOth, TransSetNet };
NetBankDialog DialogForFunctionType(int32_t functionType);

} // namespace velkor
