#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "host/tac_check.h"
#include "pcsc/simulated_readers.h"
#include "support/connected_control.h"
#include "transaction_test_support.h"

// The transaction methods for PIN-pad readers: their own connection, the customer's message box
// and cursor, the end of the card session, and a TAC that the host accepts.
namespace velkor {
namespace {

using nlohmann::json;
using testing::ConnectedControl;
using testing::FinancialCard;
using testing::FixedClock;
using testing::kCardAccount;
using testing::kTimestamp;
using testing::Readers;
using testing::ScriptedUi;
using testing::SimulatedReaders;
using testing::WaitRecorder;

const Text kPad = u"ACS ACR83U 00 00";
const Text kPlain = u"Generic Reader 01";
const Text kAccount = u"8220012345678901";
constexpr char16_t kConfirmText[]
    = u"請於晶片讀卡機上確認各項輸入資料，再輸入晶片密碼後，按下『確認』鍵";

class SndTransactions : public ::testing::Test {
protected:
    int32_t Withdraw(const OptText& reader) { return testing::WithdrawOnPad(control, reader); }

    WaitRecorder waits;
    FixedClock clock;
    ScriptedUi ui;
    CVelkorCtrl control { ui };
};

TEST_F(SndTransactions, WithdrawalAndTransferAskOnTheReaderSignAndEndTheSession)
{
    SimulatedReaders sim(Readers(FinancialCard({ { "snum", 500 } })));
    EXPECT_EQ(Withdraw(kPad), 0);
    EXPECT_EQ(ui.events, (std::vector<std::string> { "message", "wait", "arrow" }));
    EXPECT_EQ(ui.texts[0], kConfirmText);
    EXPECT_EQ(ui.captions[0], u"霖州銀行");
    EXPECT_FALSE(control.Session().ContextEstablished()) << "disconnected and released";
    EXPECT_EQ(waits.waits, (std::vector<int> { 200 }));
    EXPECT_EQ(control.GetRespSNUM(), u"00000500");
    EXPECT_EQ(control.GetRespDateTime(), u"20240305070809");
    EXPECT_EQ(control.GetTransactionIssuer(), u"822");
    EXPECT_EQ(control.GetTransactionAccount(), kAccount);
    EXPECT_EQ(control.GetTransactionRemark().size(), 60u);
    EXPECT_TRUE(testing::HostAcceptsTac(control, testing::WithdrawalData()));

    EXPECT_EQ(control.AccountTransferSnd(u"2540", u"00000002", u"87654321", u"00000000020000",
                  u"1234567890123456", kAccount, kPad),
        0);
    EXPECT_EQ(control.GetRespSNUM(), u"00000501");
    EXPECT_TRUE(testing::HostAcceptsTac(control,
        host::TransferCommandData("2540", "00000000020000", "00000002", "87654321", kTimestamp,
            "1234567890123456", kCardAccount)));
}

TEST_F(SndTransactions, PaymentAndTaxPaymentCarryTheirFieldsToTheCard)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    ASSERT_EQ(control.AccountPaymentSnd(u"2520", u"00000001", u"12345678", u"00000000100000",
                  u"TAX01", u"9999888877776666", kAccount, kPad),
        0);
    EXPECT_TRUE(testing::HostAcceptsTac(control,
        host::PaymentCommandData("2520", "00000000100000", "00000001", "12345678", kTimestamp,
            "TAX01", kCardAccount, "9999888877776666")));
    ASSERT_EQ(control.AccountPayTaxSnd(
                  u"2530", u"00000001", u"12345678", u"00000000100000", kAccount, kPad),
        0);
    EXPECT_TRUE(testing::HostAcceptsTac(control,
        host::WithdrawalCommandData(
            "2530", "00000000100000", "00000001", "12345678", kTimestamp, kCardAccount)));
}

TEST_F(SndTransactions, FailuresBeforeTheBoxShowNothingAndLeaveNoSession)
{
    SimulatedReaders sim(Readers(FinancialCard(
        { { "forcedAnswers", { { { "command", "00A40400" }, { "answer", "6A82" } } } } })));
    EXPECT_EQ(Withdraw(std::nullopt), status::kMissingArgument);
    EXPECT_EQ(control.AccountTransferSnd(u"2540", u"00000002", u"87654321", u"00000000020000",
                  u"12345678901234567890", kAccount, kPad),
        status::kBadLength)
        << "the import account must be exactly 16 characters";
    EXPECT_EQ(Withdraw(u"ACS"), status::kBadLength) << "reader name too short";
    EXPECT_EQ(Withdraw(kPlain), pcsc::kNoSmartcard) << "an empty reader";
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_EQ(Withdraw(kPad), status::kSelectionFailed) << "the application is refused";
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_TRUE(ui.events.empty());
    EXPECT_EQ(control.GetRespSNUM(), u"");
}

TEST_F(SndTransactions, CardPulledAfterTheBoxFailsTheRequestAndStillEndsTheSession)
{
    json config = Readers(FinancialCard());
    config["events"] = { { { "call", "SCardTransmit" }, { "nth", 1 }, { "action", "remove" },
        { "reader", "ACS ACR83U 00 00" } } };
    SimulatedReaders sim(config);
    EXPECT_EQ(Withdraw(kPad), status::kTransactionFailed);
    EXPECT_EQ(ui.events, (std::vector<std::string> { "message", "wait", "arrow" }));
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_EQ(control.GetRespSNUM(), u"");
}

TEST_F(SndTransactions, InquiryWorksOnTheConnectedCardWithoutBoxOrConnectionOfItsOwn)
{
    ConnectedControl page(Readers(FinancialCard()), &ui);
    EXPECT_EQ(page->AccountInquirySnd(u"2550", u"12345678", kAccount, u"No Such Reader 99"), 0);
    EXPECT_EQ(ui.events, (std::vector<std::string> { "wait", "arrow" }));
    EXPECT_TRUE(page->Session().ContextEstablished());
    EXPECT_EQ(page->GetRespSNUM(), u"00000001");
    EXPECT_EQ(page->GetRespDateTime(), u"");
}

TEST_F(SndTransactions, InquirySelectsTheApplicationBeforeCheckingItsFields)
{
    ConnectedControl page(Readers(FinancialCard({ { "forcedAnswers",
                              { { { "command", "00A40400" }, { "answer", "6A82" } } } } })),
        &ui);
    EXPECT_EQ(page->AccountInquirySnd(u"2550", u"12345678", kAccount, std::nullopt),
        status::kSelectionFailed);
    EXPECT_EQ(page->AccountInquirySnd(u"2550", u"12345678", u"short", std::nullopt),
        status::kSelectionFailed)
        << "not kBadLength: the fields are checked only on the selected application";
    EXPECT_EQ(page->AccountInquirySnd(std::nullopt, u"12345678", kAccount, std::nullopt),
        status::kSelectionFailed)
        << "not kMissingArgument";
    EXPECT_TRUE(ui.events.empty()) << "no wait cursor without the application";
    EXPECT_TRUE(page->Session().ContextEstablished()) << "the page's card session stays";
    EXPECT_EQ(page->GetRespSNUM(), u"");
}

} // namespace
} // namespace velkor
