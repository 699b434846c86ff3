#pragma once

#include <ctime>
#include <string>

#include "common/local_clock.h"
#include "support/hex.h"

// The fixed clock and the byte layouts the transaction tests compare with.
namespace velkor::testing {

inline constexpr char kTimestamp[] = "20240305070809";

// 5 March 2024, 07:08:09 local time.
class FixedClock {
public:
    FixedClock()
        : clock_([] {
            std::tm time {};
            time.tm_year = 124;
            time.tm_mon = 2;
            time.tm_mday = 5;
            time.tm_hour = 7;
            time.tm_min = 8;
            time.tm_sec = 9;
            return time;
        })
    {
    }

private:
    ScopedLocalTime clock_;
};

// A card's answer: SNUM and TAC in their places.
inline std::string TransactionAnswer(const std::string& snum, const std::string& tacHex)
{
    return "00" + Hex(snum) + "0000" + tacHex + "9000";
}

} // namespace velkor::testing
