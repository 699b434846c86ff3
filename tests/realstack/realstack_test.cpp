#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>

#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "host/tac_check.h"
#include "pcsc/reader_session.h"
#include "real_stack.h"

// The control through pcscd, vpcd and velkor-cardsim; the steps share one pcscd, in order.
namespace velkor::realstack {
namespace {

// The virtual financial card; its serial is what READ BINARY returns.
// vpcd's reader has no PIN pad to take the PIN for a signed command, so this card signs without
// one (the pad readers of the in-process simulator do take it).
constexpr const char* kCard = R"({
  "kind": "financial", "atr": "3B80800101", "protocol": "T1",
  "serial": "00112233445566778899AABBCCDDEEFF", "issuer": "822",
  "remark": "4C5A42204445424954204341524420303030313233343536373839304142",
  "accounts": [ "8220012345678901", "8220012345678902", "0000000000000000", "0000000000000000",
                "0000000000000000", "0000000000000000", "0000000000000000", "0000000000000000" ],
  "pin": "123456", "tacKey": "404142434445464748494A4B4C4D4E4F", "snum": 1,
  "transactionNeedsPin": false })";
constexpr uint8_t kTacKey[] = { 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A,
    0x4B, 0x4C, 0x4D, 0x4E, 0x4F };
const Text kReader = u"Virtual PCD 00 00";

// The bank's check of the control's last signed withdrawal of 1000.00 from 8220012345678901.
bool WithdrawalTacVerifies(CVelkorCtrl& control)
{
    return host::VerifyTac(kTacKey, TextToUtf8(control.GetRespSNUM()),
        host::WithdrawalCommandData("2510", "00000000100000", "00000001", "12345678",
            TextToUtf8(control.GetRespDateTime()), "8220012345678901"),
        TextToUtf8(control.GetRespTAC()));
}

class RealCardStack : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        unsetenv("VELKOR_PCSC_LIBRARY"); // the system's libpcsclite.so.1
        stack_ = std::make_unique<RealStack>();
        std::string error;
        if (!stack_->Start(error) || !stack_->InsertCard(kCard, error)) {
            startError_ = error;
        }
    }
    static void TearDownTestSuite() { stack_.reset(); }

    void SetUp() override { ASSERT_TRUE(startError_.empty()) << startError_; }

    // Runs one call of the control with a time limit. pcscd makes a connection wait for as long
    // as any handle holds a transaction on the reader; when that handle is our own, the call
    // never returns. Stopping pcscd ends the wait; it is started again for the next steps.
    static int32_t WithinFiveSeconds(const std::function<int32_t()>& call)
    {
        auto pending = std::async(std::launch::async, call);
        if (pending.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
            return pending.get();
        }
        ADD_FAILURE() << "pcscd waits on our own transaction";
        stack_->StopPcscd();
        const int32_t result = pending.get();
        std::string error;
        if (!stack_->StartPcscd(error) || !stack_->ReinsertCard(error)) {
            startError_ = error;
        }
        return result;
    }

    static std::unique_ptr<RealStack> stack_;
    static std::string startError_;
    CVelkorCtrl control_;
};

std::unique_ptr<RealStack> RealCardStack::stack_;
std::string RealCardStack::startError_;

TEST_F(RealCardStack, ListsReadersConnectsAndReadsTheAtr)
{
    EXPECT_EQ(control_.ListReaders(), 0);
    EXPECT_EQ(control_.GetReaderNumber(), 2);
    EXPECT_EQ(control_.GetReaderName(0), kReader);
    EXPECT_EQ(control_.GetReaderName(1), u"Virtual PCD 00 01");
    EXPECT_EQ(control_.ConnectCard(kReader), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"3B80800101");
    EXPECT_EQ(control_.CheckCardInsert(), 0);
    // vpcd's reader has no vendor attributes: the read fails and the text is empty.
    EXPECT_EQ(control_.GetReaderStatus(0), u"");
    // The empty slot of vpcd.
    EXPECT_LT(control_.ConnectCard(Text(u"Virtual PCD 00 01")), 0);
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

TEST_F(RealCardStack, SeesARemovedCardAndWorksAgainAfterReinsertion)
{
    ASSERT_EQ(control_.ListReaders(), 0);
    ASSERT_EQ(control_.ConnectCard(kReader), 0);
    std::string error;
    ASSERT_TRUE(stack_->RemoveCard(error)) << error;
    EXPECT_EQ(control_.CheckCardInsert(), 1);
    EXPECT_LT(control_.ConnectCard(kReader), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"");

    ASSERT_TRUE(stack_->ReinsertCard(error)) << error;
    EXPECT_EQ(control_.ConnectCard(kReader), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"3B80800101");
    EXPECT_EQ(control_.CheckCardInsert(), 0);
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

// The card is pulled and put back while the exclusive connection still exists: the next
// connection has to recover through a shared one, and neither the probe nor a further connection
// may then wait on it.
TEST_F(RealCardStack, CardPutBackBetweenCallsStaysUsable)
{
    ASSERT_EQ(WithinFiveSeconds([&] { return control_.ConnectCard(kReader); }), 0);
    std::string error;
    ASSERT_TRUE(stack_->RemoveCard(error)) << error;
    ASSERT_TRUE(stack_->ReinsertCard(error)) << error;

    EXPECT_EQ(WithinFiveSeconds([&] { return control_.ConnectCard(kReader); }), 0);
    EXPECT_EQ(WithinFiveSeconds([&] { return control_.CheckCardInsert(); }), 0);
    EXPECT_EQ(WithinFiveSeconds([&] { return control_.ConnectCard(kReader); }), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"3B80800101");
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

TEST_F(RealCardStack, StoppedServiceGivesErrorsAndARestartWorksAgain)
{
    ASSERT_EQ(control_.ListReaders(), 0);
    ASSERT_EQ(control_.ConnectCard(kReader), 0);
    stack_->StopPcscd();

    EXPECT_EQ(control_.CheckCardInsert(), status::kUnavailable);
    EXPECT_EQ(control_.ListReaders(), status::kUnavailable);
    const int32_t connected = control_.ConnectCard(kReader);
    constexpr int32_t kNoService = static_cast<int32_t>(0x8010001DU);
    EXPECT_TRUE(connected == status::kUnavailable || connected == kNoService) << connected;
    EXPECT_EQ(control_.GetCardStatus(), u"");

    std::string error;
    ASSERT_TRUE(stack_->StartPcscd(error)) << error;
    ASSERT_TRUE(stack_->ReinsertCard(error)) << error; // the card reconnects by itself
    EXPECT_EQ(control_.ListReaders(), 0);
    EXPECT_EQ(control_.GetReaderNumber(), 2);
    EXPECT_EQ(control_.ConnectCard(kReader), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"3B80800101");
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

TEST_F(RealCardStack, ReadsTheAccountsAndVerifiesThePin)
{
    ASSERT_EQ(control_.ConnectCard(kReader), 0);
    EXPECT_EQ(control_.ListEF1001Accounts(), 0);
    EXPECT_EQ(control_.GetEF1001TotalAccounts(), 2);
    EXPECT_EQ(control_.GetEF1001Account(1), u"8220012345678902");
    EXPECT_EQ(control_.ReadCardSN(), u"445566778899AABB");
    EXPECT_EQ(control_.VerifyPIN(u"123456"), 0);
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

// The PIN-pad methods connect by themselves and leave the reader free.
TEST_F(RealCardStack, SignsAWithdrawalAndATransferThatTheHostVerifies)
{
    ASSERT_EQ(control_.AccountWithdrawSnd(u"2510", u"00000001", u"12345678", u"00000000100000",
                  u"8220012345678901", kReader),
        0);
    ASSERT_EQ(control_.GetRespDateTime().size(), 14u);
    EXPECT_EQ(control_.GetTransactionIssuer(), u"822");
    EXPECT_EQ(control_.GetTransactionAccount(), u"8220012345678901");
    EXPECT_TRUE(WithdrawalTacVerifies(control_));
    const Text firstSnum = control_.GetRespSNUM();

    ASSERT_EQ(control_.AccountTransferSnd(u"2540", u"00000002", u"87654321", u"00000000020000",
                  u"1234567890123456", u"8220012345678901", kReader),
        0);
    EXPECT_NE(control_.GetRespSNUM(), firstSnum);
    EXPECT_TRUE(host::VerifyTac(kTacKey, TextToUtf8(control_.GetRespSNUM()),
        host::TransferCommandData("2540", "00000000020000", "00000002", "87654321",
            TextToUtf8(control_.GetRespDateTime()), "1234567890123456", "8220012345678901"),
        TextToUtf8(control_.GetRespTAC())));
    EXPECT_EQ(control_.ConnectCard(kReader), 0) << "the reader was left free";
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

// The confirmation dialog asks the customer to pull the card and put it back. The dialog's probe
// sees the card leave through pcscd; the card is back before the customer confirms, and the
// transaction then reaches the re-inserted card, not the handle the pull killed.
TEST_F(RealCardStack, ConfirmedWithdrawalSignsOnTheCardPutBackDuringTheDialog)
{
    struct PullingUi final : Ui {
        std::vector<int32_t> probes;
        std::string error;
        void ShowMessage(std::u16string_view, std::u16string_view) override { }
        void SetWaitCursor() override { }
        void SetArrowCursor() override { }
        int RunConfirmation(ConfirmationRequest& request) override
        {
            probes.push_back(request.probeCard());
            if (!stack_->RemoveCard(error)) {
                return 2;
            }
            probes.push_back(request.probeCard());
            return stack_->ReinsertCard(error) ? 1 : 2;
        }
    } ui;
    CVelkorCtrl control(ui);
    ASSERT_EQ(WithinFiveSeconds([&] {
        return control.AccountWithdrawEx(u"2510", u"00000001", u"12345678", u"00000000100000",
            u"8220012345678901", u"Virtual PCD 00 00", u"123456", u"<Tag1>提款</Tag1>");
    }),
        0)
        << ui.error;
    ASSERT_EQ(ui.probes.size(), 2u);
    EXPECT_EQ(ui.probes[0], 0);
    EXPECT_TRUE(ui.probes[1] == pcsc::kNoSmartcard || ui.probes[1] == pcsc::kRemovedCard)
        << ui.probes[1];
    EXPECT_TRUE(WithdrawalTacVerifies(control));
    EXPECT_FALSE(control.Session().ContextEstablished());
}

} // namespace
} // namespace velkor::realstack
