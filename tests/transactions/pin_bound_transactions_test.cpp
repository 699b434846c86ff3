#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "card/card_test_support.h"
#include "control/velkor_ctrl.h"
#include "crypto/data_process.h"
#include "host/tac_check.h"
#include "pcsc/simulated_readers.h"
#include "transaction_test_support.h"

// Transactions on a card that signs only after the PIN was verified: what a page must do first,
// typed or on the reader's pad, for the card to sign.
namespace velkor {
namespace {

using nlohmann::json;
using testing::FixedClock;
using testing::kCardAccount;
using testing::kTimestamp;
using testing::Readers;
using testing::ScriptedUi;
using testing::SimulatedReaders;
using testing::WaitRecorder;

const Text kPad = u"ACS ACR83U 00 00";
const Text kAccount = u"8220012345678901";

json PinBeforeTransactionsCard()
{
    const char* source = std::getenv("VELKOR_SOURCE_DIR");
    std::ifstream file(
        std::string(source != nullptr ? source : ".") + "/sim/cards/pin-before-transactions.json");
    return json::parse(file);
}

bool HostAcceptsWithdrawal(CVelkorCtrl& control)
{
    std::vector<uint8_t> key(16);
    CDataProcess::HexToBytes(32, Utf8ToText(testing::kTacKeyHex), key.data());
    return host::VerifyTac(key, TextToUtf8(control.GetRespSNUM()),
        host::WithdrawalCommandData(
            "2510", "00000000100000", "00000001", "12345678", kTimestamp, kCardAccount),
        TextToUtf8(control.GetRespTAC()));
}

class PinBoundTransactions : public ::testing::Test {
protected:
    int32_t Withdraw(CVelkorCtrl& control)
    {
        return control.AccountWithdraw(
            u"2510", u"00000001", u"12345678", u"00000000100000", kAccount);
    }
    int32_t WithdrawOnPad(CVelkorCtrl& control)
    {
        return control.AccountWithdrawSnd(
            u"2510", u"00000001", u"12345678", u"00000000100000", kAccount, kPad);
    }

    WaitRecorder waits;
    FixedClock clock;
    ScriptedUi ui;
};

TEST_F(PinBoundTransactions, TypedPinMustComeBeforeTheCardSigns)
{
    SimulatedReaders sim(Readers(PinBeforeTransactionsCard()));
    CVelkorCtrl control(ui);
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    EXPECT_EQ(Withdraw(control), -1) << "signed without the PIN";
    EXPECT_EQ(control.GetRespSNUM(), u"");
    EXPECT_EQ(control.GetTransactionAccount(), u"");

    EXPECT_EQ(control.VerifyPIN(u"654321"), 1);
    EXPECT_EQ(Withdraw(control), -1) << "signed after a wrong PIN";
    EXPECT_EQ(control.VerifyPIN(u"123456"), 0);
    ASSERT_EQ(Withdraw(control), 0);
    EXPECT_TRUE(HostAcceptsWithdrawal(control));
}

TEST_F(PinBoundTransactions, PadTransactionSignsOnlyAfterThePinWasVerifiedOnThePad)
{
    // The reader's own transaction flow sends the card no VERIFY: the PIN the customer typed on
    // the pad must have been verified earlier in the same card session.
    const struct {
        const char* name;
        const char* padPin;
        bool verifyOnPadFirst;
        int32_t verified;
        int32_t result;
    } cases[] = {
        { "no PIN at all", "123456", false, 0, -1 },
        { "wrong PIN on the pad", "999999", true, 1, -1 },
        { "cancelled on the pad", "", true, 1, -1 },
        { "right PIN on the pad", "123456", true, 0, 0 },
    };
    for (const auto& c : cases) {
        SimulatedReaders sim(Readers(PinBeforeTransactionsCard(), nullptr, c.padPin));
        ScriptedUi caseUi;
        CVelkorCtrl control(caseUi);
        ASSERT_EQ(control.ConnectCard(kPad), 0) << c.name;
        if (c.verifyOnPadFirst) {
            EXPECT_EQ(control.VerifyPINSnd(), c.verified) << c.name;
        }
        EXPECT_EQ(WithdrawOnPad(control), c.result) << c.name;
        EXPECT_EQ(caseUi.events.back(), "arrow") << c.name << ": the request reached the card";
        EXPECT_FALSE(control.Session().ContextEstablished()) << c.name;
        EXPECT_EQ(c.result == 0 && HostAcceptsWithdrawal(control), c.result == 0) << c.name;
    }
}

} // namespace
} // namespace velkor
