#pragma once

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "card/card_test_support.h"
#include "common/local_clock.h"
#include "control/velkor_ctrl.h"
#include "crypto/data_process.h"
#include "host/tac_check.h"
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

// Whether the bank's host accepts the control's last SNUM and TAC for the command `data`, under
// the test card's TAC key.
inline bool HostAcceptsTac(CVelkorCtrl& control, const std::string& data)
{
    std::vector<uint8_t> key(16);
    CDataProcess::HexToBytes(32, Utf8ToText(kTacKeyHex), key.data());
    return host::VerifyTac(
        key, TextToUtf8(control.GetRespSNUM()), data, TextToUtf8(control.GetRespTAC()));
}

// The withdrawal most tests make from the test card's account, typed or on the PIN pad, and the
// data the card signs for it.
inline int32_t Withdraw(CVelkorCtrl& control)
{
    return control.AccountWithdraw(
        u"2510", u"00000001", u"12345678", u"00000000100000", Utf8ToText(kCardAccount));
}
inline int32_t WithdrawOnPad(CVelkorCtrl& control, const OptText& reader = Utf8ToText(kPadReader))
{
    return control.AccountWithdrawSnd(
        u"2510", u"00000001", u"12345678", u"00000000100000", Utf8ToText(kCardAccount), reader);
}
inline std::string WithdrawalData()
{
    return host::WithdrawalCommandData(
        "2510", "00000000100000", "00000001", "12345678", kTimestamp, kCardAccount);
}

// The shipped card model that signs transactions only after the PIN was verified.
inline nlohmann::json PinBeforeTransactionsCard()
{
    const char* source = std::getenv("VELKOR_SOURCE_DIR");
    std::ifstream file(
        std::string(source != nullptr ? source : ".") + "/sim/cards/pin-before-transactions.json");
    return nlohmann::json::parse(file);
}

} // namespace velkor::testing
