#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "host/tac_check.h"
#include "pcsc/simulated_readers.h"
#include "transaction_test_support.h"

// The methods that have the customer confirm in the confirmation dialog before the card command.
namespace velkor {
namespace {

using testing::FinancialCard;
using testing::FixedClock;
using testing::HostAcceptsTac;
using testing::kCardAccount;
using testing::kTimestamp;
using testing::Readers;
using testing::SimulatedReaders;
using testing::WaitRecorder;

const Text kPad = u"ACS ACR83U 00 00";
const Text kPlain = u"Generic Reader 01";
const Text kAccount = u"8220012345678901";
const Text kDocument = u"<Tag1>確認</Tag1>";

// Answers every confirmation with `answer` after running `duringDialog`, and keeps what each
// dialog was asked to show and what its card probe saw.
class ConfirmingUi final : public Ui {
public:
    struct Seen {
        int kind;
        std::optional<Text> amount, account, transferee;
        std::vector<int32_t> probes;
    };
    int answer = 1;
    std::function<void(ConfirmationRequest&)> duringDialog;
    std::function<void()> onMessage;
    std::vector<Seen> dialogs;
    int messages = 0;

    int RunConfirmation(ConfirmationRequest& request) override
    {
        const auto copy
            = [](auto view) { return view ? std::optional<Text>(*view) : std::nullopt; };
        EXPECT_EQ(request.document, kDocument);
        dialogs.push_back({ request.kind, copy(request.amount), copy(request.account),
            copy(request.transferee), { request.probeCard() } });
        if (duringDialog) {
            duringDialog(request);
        }
        return answer;
    }
    void ShowMessage(std::u16string_view, std::u16string_view) override
    {
        ++messages;
        if (onMessage) {
            onMessage();
        }
    }
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }
};

std::string WithdrawalData(const std::string& money)
{
    return host::WithdrawalCommandData(
        "2510", money, "00000001", "12345678", kTimestamp, kCardAccount);
}

class ConfirmedOperations : public ::testing::Test {
protected:
    int32_t WithdrawEx(const Text& money, const OptText& pin = u"123456")
    {
        return control.AccountWithdrawEx(
            u"2510", u"00000001", u"12345678", money, kAccount, kPad, pin, kDocument);
    }
    int32_t WithdrawSndEx(const Text& money)
    {
        return control.AccountWithdrawSndEx(
            u"2510", u"00000001", u"12345678", money, kAccount, kPad, kDocument);
    }
    int32_t TransferEx(const Text& importAccount)
    {
        return control.AccountTransferEx(u"2540", u"00000002", u"87654321", u"00000000020000",
            importAccount, kAccount, kPad, u"123456", kDocument);
    }
    // The pull and the re-insertion that the dialog asks of the customer. The probe sees the card
    // leave; the card comes back just before the customer confirms, with no probe after it, so
    // the connection the method holds is the one the pull killed.
    void PullAndReinsertDuringTheDialog(SimulatedReaders& sim)
    {
        ui.duringDialog = [&sim, this](ConfirmationRequest& request) {
            sim.RemoveCard(testing::kPadReader);
            ui.dialogs.back().probes.push_back(request.probeCard());
            sim.InsertCard(testing::kPadReader);
        };
    }

    WaitRecorder waits;
    FixedClock clock;
    ConfirmingUi ui;
    CVelkorCtrl control { ui };
};

TEST_F(ConfirmedOperations, ArgumentErrorsComeBeforeTheDialogAndTheConnection)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    EXPECT_EQ(
        control.WriteRecordWithSNUMTACSnd(kPad, Text(129, u'A'), kDocument), status::kBadLength);
    EXPECT_EQ(control.WriteRecordWithSNUMTAC(kPad, u"ABC", kDocument, std::nullopt),
        status::kMissingArgument);
    EXPECT_EQ(control.VerifyPINEx(u"12345", kDocument), status::kBadLength);
    EXPECT_EQ(control.VerifyPINEx(u"123456", std::nullopt), status::kMissingArgument);
    EXPECT_EQ(control.VerifyPINSndEx(std::nullopt), status::kMissingArgument);
    EXPECT_EQ(control.ChangePINEx(u"123456", u"654321", kDocument, std::nullopt),
        status::kMissingArgument);
    EXPECT_EQ(control.ChangePINEx(u"123456", u"65432A", kDocument, kAccount), status::kBadValue);
    EXPECT_EQ(control.ChangePINSndEx(kDocument, std::nullopt), status::kMissingArgument);
    EXPECT_EQ(TransferEx(u"12345678901234567890"), status::kBadLength);
    EXPECT_EQ(WithdrawEx(u"00000000010000", std::nullopt), status::kMissingArgument);
    // Found before the dialog rather than after the customer confirmed.
    EXPECT_EQ(WithdrawEx(u"00000000010000", u"12345"), status::kBadLength);
    EXPECT_EQ(control.AccountWithdrawSndEx(u"2510", u"00000001", u"12345678", u"00000000010000",
                  kAccount, std::nullopt, kDocument),
        status::kMissingArgument);
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_FALSE(control.Session().ContextEstablished()) << "nothing was connected";
}

TEST_F(ConfirmedOperations, DialogShowsTheKindAndDataOfEachOperation)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    ui.answer = 2;
    EXPECT_EQ(WithdrawEx(u"00000000000000"), status::kNotConfirmed);
    EXPECT_EQ(WithdrawEx(u"00000000010000"), status::kNotConfirmed);
    EXPECT_EQ(WithdrawSndEx(u"00000000000000"), status::kNotConfirmed);
    EXPECT_EQ(TransferEx(u"1234567890123456"), status::kNotConfirmed);
    EXPECT_EQ(control.AccountInquirySndEx(u"2550", u"12345678", kAccount, kPad, kDocument),
        status::kNotConfirmed);
    EXPECT_EQ(control.WriteRecordWithSNUMTACSnd(kPad, u"ABC", kDocument), status::kNotConfirmed);
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    EXPECT_EQ(control.VerifyPINSndEx(kDocument), status::kNotConfirmed);

    const std::vector<int> kinds { 10, 4, 11, 3, 13, 26, 5 };
    ASSERT_EQ(ui.dialogs.size(), kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(ui.dialogs[i].kind, kinds[i]);
        EXPECT_EQ(ui.dialogs[i].probes[0], 0) << "the probe finds the card in dialog " << i;
    }
    EXPECT_EQ(ui.dialogs[1].amount, u"00000000010000");
    EXPECT_EQ(ui.dialogs[1].account, kAccount);
    EXPECT_EQ(ui.dialogs[1].transferee, std::nullopt);
    EXPECT_EQ(ui.dialogs[3].transferee, u"1234567890123456");
    EXPECT_EQ(ui.dialogs[4].amount, std::nullopt) << "an inquiry has no amount";
    EXPECT_EQ(ui.dialogs[5].account, std::nullopt);
}

TEST_F(ConfirmedOperations, MismatchedDocumentsAndCancellationsEndDisconnectedWithoutSigning)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    for (const auto& [answer, expected] :
        std::vector<std::pair<int, int32_t>> { { 101, status::kConfirmationFirstCheckFailed },
            { 102, status::kConfirmationLaterCheckFailed }, { 0, status::kNotConfirmed } }) {
        ui.answer = answer;
        EXPECT_EQ(WithdrawEx(u"00000000010000"), expected);
        EXPECT_FALSE(control.Session().ContextEstablished());
        EXPECT_EQ(control.WriteRecordWithSNUMTAC(kPad, u"ABC", kDocument, u"123456"), expected);
        EXPECT_FALSE(control.Session().ContextEstablished());
    }
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    ui.answer = 101;
    EXPECT_EQ(control.VerifyPINEx(u"123456", kDocument), status::kNotConfirmed)
        << "PIN methods know only kNotConfirmed";
    EXPECT_TRUE(control.Session().ContextEstablished()) << "the page's connection stays";

    ui.answer = 1;
    ASSERT_EQ(WithdrawEx(u"00000000010000"), 0);
    EXPECT_EQ(control.GetRespSNUM(), u"00000001") << "nothing was signed before";
}

TEST_F(ConfirmedOperations, ConfirmedTransactionsSignAndTheHostAcceptsTheTac)
{
    SimulatedReaders sim(Readers(FinancialCard({ { "snum", 40 } })));
    ASSERT_EQ(WithdrawEx(u"00000000010000"), 0);
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_EQ(control.GetRespSNUM(), u"00000040");
    EXPECT_EQ(control.GetTransactionAccount(), kAccount);
    EXPECT_TRUE(HostAcceptsTac(control, WithdrawalData("00000000010000")));

    ASSERT_EQ(control.AccountTransferSndEx(u"2540", u"00000002", u"87654321", u"00000000020000",
                  u"1234567890123456", kAccount, kPad, kDocument),
        0);
    EXPECT_TRUE(HostAcceptsTac(control,
        host::TransferCommandData("2540", "00000000020000", "00000002", "87654321", kTimestamp,
            "1234567890123456", kCardAccount)));
    EXPECT_EQ(WithdrawEx(u"00000000010000", u"654321"), status::kPinRefused)
        << "a wrong PIN, after the dialog";
    EXPECT_FALSE(control.Session().ContextEstablished());
}

TEST_F(ConfirmedOperations, RecordWriteVerifiesThePinAndReturnsSnumTacAndIdentity)
{
    SimulatedReaders sim(Readers(FinancialCard({ { "snum", 7 } })));
    EXPECT_EQ(
        control.WriteRecordWithSNUMTAC(kPad, u"ABC", kDocument, u"654321"), status::kPinRefused);
    EXPECT_EQ(control.GetRespSNUM(), u"");
    ASSERT_EQ(control.WriteRecordWithSNUMTAC(kPad, u"RECORD-1", kDocument, u"123456"), 0);
    EXPECT_EQ(control.GetRespSNUM(), u"00000007");
    EXPECT_TRUE(HostAcceptsTac(control, "RECORD-1"));
    EXPECT_EQ(control.GetTransactionIssuer(), u"822");
    EXPECT_EQ(control.GetTransactionAccount(), kAccount);
    EXPECT_FALSE(control.Session().ContextEstablished());
}

TEST_F(ConfirmedOperations, ACardPulledAndPutBackDuringTheDialogIsReachedAgain)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    PullAndReinsertDuringTheDialog(sim);
    ASSERT_EQ(WithdrawEx(u"00000000010000"), 0);
    EXPECT_EQ(ui.dialogs[0].probes, (std::vector<int32_t> { 0, pcsc::kNoSmartcard }));
    EXPECT_TRUE(HostAcceptsTac(control, WithdrawalData("00000000010000")));
    ASSERT_EQ(control.WriteRecordWithSNUMTACSnd(kPad, u"R2", kDocument), 0);
    EXPECT_TRUE(HostAcceptsTac(control, "R2"));

    // The PIN methods work on the page's own connection, renewed after the dialog.
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    EXPECT_EQ(control.VerifyPINEx(u"123456", kDocument), 0);
    EXPECT_EQ(control.ChangePINEx(u"123456", u"112233", kDocument, kAccount), 0);
    ui.duringDialog = nullptr;
    EXPECT_EQ(control.VerifyPIN(u"112233"), 0);
}

TEST_F(ConfirmedOperations, PinChangeChecksTheAccountAfterTheDialog)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    EXPECT_EQ(control.ChangePINEx(u"123456", u"112233", kDocument, u"8220012345678902"),
        status::kAccountMismatch);
    EXPECT_EQ(control.ChangePINSndEx(kDocument, u"8220012345678902"), status::kAccountMismatch);
    EXPECT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(control.VerifyPIN(u"123456"), 0) << "the PIN stayed";
    EXPECT_EQ(control.ChangePINSndEx(kDocument, kAccount), 0) << "the pad's new PIN";
    EXPECT_EQ(control.VerifyPIN(u"654321"), 0);
}

// A card that answers nothing: any command sent counts as a mismatch.
nlohmann::json SilentCard()
{
    return testing::ScriptedCard("T1", {});
}

TEST_F(ConfirmedOperations, CancelledOrLeftDialogsSendNoCardCommand)
{
    SimulatedReaders sim(Readers(SilentCard()));
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    ui.answer = 2;
    EXPECT_EQ(control.ChangePINSndEx(kDocument, kAccount), status::kNotConfirmed);
    EXPECT_EQ(control.VerifyPINEx(u"123456", kDocument), status::kNotConfirmed);
    // The page went away while the dialog was open: whatever the dialog answered.
    ui.answer = 1;
    ui.duringDialog = [this](ConfirmationRequest&) { control.MarkPageLeft(); };
    EXPECT_EQ(control.VerifyPINSndEx(kDocument), status::kNotConfirmed);
    EXPECT_EQ(WithdrawSndEx(u"00000000010000"), status::kNotConfirmed);
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_EQ(sim.Progress(testing::kPadReader).mismatches, 0u) << "a command reached the card";
}

TEST_F(ConfirmedOperations, APageThatLeavesDuringAPadMessageBoxSendsNothingMore)
{
    // The plain reader's card signs without a PIN: only the page's leaving can stop it.
    SimulatedReaders sim(
        Readers(SilentCard(), FinancialCard({ { "transactionNeedsPin", false } })));
    ui.onMessage = [this] { control.MarkPageLeft(); };
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    EXPECT_EQ(control.VerifyPINSnd(), status::kNotConfirmed);
    EXPECT_EQ(control.ChangePINSnd(kAccount), status::kNotConfirmed);
    EXPECT_EQ(ui.messages, 1) << "no further box once the page is gone";
    EXPECT_EQ(sim.Progress(testing::kPadReader).mismatches, 0u) << "a command reached the card";

    const auto withdraw = [](CVelkorCtrl& on) {
        return on.AccountWithdrawSnd(
            u"2510", u"00000001", u"12345678", u"00000000010000", kAccount, kPlain);
    };
    ConfirmingUi otherUi;
    CVelkorCtrl leaving(otherUi);
    otherUi.onMessage = [&leaving] { leaving.MarkPageLeft(); };
    EXPECT_EQ(withdraw(leaving), status::kNotConfirmed);
    EXPECT_FALSE(leaving.Session().ContextEstablished());
    CVelkorCtrl staying(otherUi);
    ASSERT_EQ(withdraw(staying), 0);
    EXPECT_EQ(staying.GetRespSNUM(), u"00000001") << "the left page's transaction was not signed";
}

} // namespace
} // namespace velkor
