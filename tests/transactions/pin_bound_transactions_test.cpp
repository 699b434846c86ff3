#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "host/tac_check.h"
#include "pcsc/simulated_readers.h"
#include "transaction_test_support.h"

// Transactions on a card that signs only after the PIN was verified: what a page must do first,
// typed or on the reader's pad, for the card to sign.
namespace velkor {
namespace {

using nlohmann::json;
using testing::FixedClock;
using testing::PinBeforeTransactionsCard;
using testing::Readers;
using testing::ScriptedUi;
using testing::SimulatedReaders;
using testing::WaitRecorder;
using testing::Withdraw;
using testing::WithdrawOnPad;

bool HostAcceptsWithdrawal(CVelkorCtrl& control)
{
    return testing::HostAcceptsTac(control, testing::WithdrawalData());
}

class PinBoundTransactions : public ::testing::Test {
protected:
    WaitRecorder waits;
    FixedClock clock;
    ScriptedUi ui;
};

TEST_F(PinBoundTransactions, TypedPinMustComeBeforeTheCardSigns)
{
    SimulatedReaders sim(Readers(nullptr, PinBeforeTransactionsCard()));
    CVelkorCtrl control(ui);
    ASSERT_EQ(control.ConnectCard(u"Generic Reader 01"), 0);
    EXPECT_EQ(Withdraw(control), status::kTransactionFailed) << "signed without the PIN";
    EXPECT_EQ(control.GetRespSNUM(), u"");
    EXPECT_EQ(control.GetTransactionAccount(), u"");

    EXPECT_EQ(control.VerifyPIN(u"654321"), status::kPinRefused);
    EXPECT_EQ(Withdraw(control), status::kTransactionFailed) << "signed after a wrong PIN";
    EXPECT_EQ(control.VerifyPIN(u"123456"), 0);
    ASSERT_EQ(Withdraw(control), 0);
    EXPECT_TRUE(HostAcceptsWithdrawal(control));
}

TEST_F(PinBoundTransactions, PadReaderTakesThePinForTheTransactionItself)
{
    // The reader shows the transaction, takes the PIN on its pad and has the card verify it
    // before it lets the request through; the control sends no VERIFY of its own.
    const struct {
        const char* name;
        const char* padPin;
        int32_t result;
    } cases[] = {
        { "right PIN on the pad", "123456", 0 },
        { "wrong PIN on the pad", "999999", status::kTransactionFailed },
        { "cancelled on the pad", "", status::kTransactionFailed },
    };
    for (const auto& c : cases) {
        SimulatedReaders sim(Readers(PinBeforeTransactionsCard(), nullptr, c.padPin));
        ScriptedUi caseUi;
        CVelkorCtrl control(caseUi);
        EXPECT_EQ(WithdrawOnPad(control), c.result) << c.name;
        EXPECT_EQ(caseUi.events.back(), "arrow") << c.name << ": the request reached the reader";
        EXPECT_FALSE(control.Session().ContextEstablished()) << c.name;
        EXPECT_EQ(c.result == 0 && HostAcceptsWithdrawal(control), c.result == 0) << c.name;
        if (c.result != 0) {
            EXPECT_EQ(control.GetRespSNUM(), u"") << c.name;
        }
    }
}

} // namespace
} // namespace velkor
