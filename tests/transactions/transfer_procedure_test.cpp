#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "host/demo_keys.h"
#include "host/tac_check.h"
#include "pcsc/simulated_readers.h"
#include "support/transfer_dialogs_ui.h"
#include "transaction_test_support.h"

// The web-ATM transfer procedures on the simulated card, the customer's dialogs stood in for.
namespace velkor {
namespace {

using testing::kTimestamp;
using testing::SimulatedReaders;

const Text kPad = u"ACS ACR83U 00 00";
const Text kMoney = u"00000000020000";
const Text kLists
    = u"<AtmNode Name=\"a\"/><AtmNode Name=\"c\"/><AtmNode Name=\"b\">x%%004;;</AtmNode>";
const Text kImportAccount = u"004||12345678901234||0||2524||";

class TransferProcedure : public ::testing::Test {
protected:
    void SetUp() override
    {
        VELKOR_REQUIRE_HOST_KEYS();
        keys = testing::IssueKey(host::NewSessionKey());
    }
    int32_t Proc(const OptText& service, const OptText& pin = u"123456",
        const OptText& lists = kLists, const Text& reader = kPad)
    {
        return control.TransferProc(u"2540", u"00000002", u"87654321", kMoney,
            Utf8ToText(testing::kCardAccount), reader, pin, u"<Tag5>822</Tag5>", keys.hash,
            keys.encrypted, lists, service);
    }
    int32_t ProcSnd(const Text& service, const Text& key, const Text& reader = kPad)
    {
        return control.TransferProcSnd(u"2540", u"00000002", u"87654321", kMoney,
            Utf8ToText(testing::kCardAccount), reader, u"<Tag5>822</Tag5>", keys.hash, key, kLists,
            service);
    }
    // Whether the card signed a transfer to the chosen account or a tax payment, with `code`.
    bool Signed(bool transfer, const std::string& code)
    {
        const std::string data = transfer
            ? host::TransferCommandData(code, "00000000020000", "00000002", "87654321", kTimestamp,
                "0012345678901234", testing::kCardAccount)
            : host::WithdrawalCommandData(
                code, "00000000020000", "00000002", "87654321", kTimestamp, testing::kCardAccount);
        return testing::HostAcceptsTac(control, data);
    }
    void ExpectNothingSignedAndDisconnected()
    {
        EXPECT_EQ(control.GetRespSNUM(), u"");
        EXPECT_FALSE(control.Session().ContextEstablished());
    }

    testing::WaitRecorder waits;
    testing::FixedClock clock;
    testing::IssuedKey keys;
    testing::TransferDialogsUi ui;
    CVelkorCtrl control { ui };
};

TEST_F(TransferProcedure, ArgumentsAndTooFewListsAreRefusedBeforeAnyDialog)
{
    SimulatedReaders sim(testing::Readers(testing::FinancialCard()));
    EXPECT_EQ(Proc(u"0", std::nullopt), status::kMissingArgument);
    EXPECT_EQ(Proc(u"0", u"123456", std::nullopt), status::kMissingArgument);
    EXPECT_EQ(ProcSnd(u"0", Text(255, u'A')), status::kBadLength);
    EXPECT_EQ(Proc(u"0", u"12345"), status::kBadLength) << "a PIN that cannot be sent";
    EXPECT_FALSE(control.Session().ContextEstablished()) << "nothing was connected";

    EXPECT_EQ(
        Proc(u"0", u"123456", u"<AtmNode/><AtmNode/><atmnode/>"), status::kTooFewAccountLists);
    EXPECT_TRUE(ui.events.empty());
    ExpectNothingSignedAndDisconnected();
}

TEST_F(TransferProcedure, EachServiceSignsItsRequestWithTheChosenAccountAndCode)
{
    SimulatedReaders sim(testing::Readers(testing::FinancialCard({ { "snum", 10 } })));
    ASSERT_EQ(Proc(u"0"), 0);
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_TRUE(Signed(true, "2524"));
    ASSERT_EQ(ui.confirmations.size(), 1u);
    const auto& seen = ui.confirmations[0];
    EXPECT_EQ(seen.kind, 23);
    EXPECT_EQ(seen.amount, kMoney);
    EXPECT_EQ(seen.transferee, ui.firstResult);
    EXPECT_EQ(seen.transfer.mode, u'0');
    EXPECT_EQ(seen.transfer.encipheredFirstResult, ui.encipheredFirst);
    EXPECT_EQ(seen.transfer.encipheredSecondResult, ui.encipheredSecond);
    EXPECT_EQ(ui.accountDocument, kLists);
    EXPECT_EQ(control.GetClearImportAccount(), kImportAccount);
    EXPECT_EQ(testing::UnderSession(1, keys.hash, keys.encrypted, control.GetEncImportAccount()),
        kImportAccount);

    // Service 2: a tax payment for 2523, a transfer for any other code; only "2" counts of "22".
    ui.transferCode = u"2523";
    ASSERT_EQ(ProcSnd(u"2", keys.encrypted), 0);
    EXPECT_TRUE(Signed(false, "2523"));
    EXPECT_EQ(ui.confirmations.back().transfer.mode, u'2');
    ui.transferCode = u"2564";
    ASSERT_EQ(Proc(u"22"), 0);
    EXPECT_TRUE(Signed(true, "2564"));
    ASSERT_EQ(Proc(u"1"), 0);
    EXPECT_TRUE(Signed(false, "2564"));

    // Any other service: both dialogs and the PIN, no request.
    for (const Text service : { u"9", u"" }) {
        ui.events.clear();
        EXPECT_EQ(Proc(service), 0);
        EXPECT_EQ(control.GetRespSNUM(), u"00000013") << "nothing signed";
        EXPECT_EQ(ui.events, (std::vector<std::string> { "account", "confirm", "arrow" }));
    }
    EXPECT_EQ(Proc(u"9", u"654321"), status::kPinRefused);
    EXPECT_FALSE(control.Session().ContextEstablished());
}

TEST_F(TransferProcedure, TheSndProcedureNeverVerifiesAPinItself)
{
    // The card signs without a PIN and its PIN is blocked: a PIN command would be refused.
    SimulatedReaders sim(testing::Readers(testing::FinancialCard(),
        testing::FinancialCard({ { "transactionNeedsPin", false }, { "triesLeft", 0 } })));
    const Text plain = Utf8ToText(testing::kPlainReader);
    ASSERT_EQ(ProcSnd(u"0", keys.encrypted, plain), 0);
    EXPECT_TRUE(Signed(true, "2524"));
    EXPECT_EQ(ui.events, (std::vector<std::string> { "account", "confirm", "wait", "arrow" }));
    EXPECT_EQ(Proc(u"0", u"123456", kLists, plain), status::kPinRefused);
}

TEST_F(TransferProcedure, RefusalsAndCancellationsEndDisconnectedWithNothingSigned)
{
    SimulatedReaders sim(testing::Readers(testing::FinancialCard()));
    const auto expectRefused = [this](int32_t result, int32_t expected, size_t confirmations) {
        EXPECT_EQ(result, expected);
        EXPECT_EQ(ui.confirmations.size(), confirmations);
        ExpectNothingSignedAndDisconnected();
    };
    ui.accountAnswer = 2;
    expectRefused(Proc(u"0"), status::kNotConfirmed, 0);
    // OK, but the dialog could not encipher the chosen account.
    ui.accountAnswer = 1;
    ui.accountEnciphermentFails = true;
    expectRefused(Proc(u"0"), status::kNotConfirmed, 0);
    ui.accountEnciphermentFails = false;
    // An account text under 16 characters cannot be the import account of a transfer.
    ui.firstResult = u"12345";
    expectRefused(Proc(u"0"), status::kBadLength, 1);
    // The page left while the account dialog was open.
    ui.duringAccountDialog = [this] { control.MarkPageLeft(); };
    expectRefused(ProcSnd(u"0", keys.encrypted), status::kNotConfirmed, 1);
}

TEST_F(TransferProcedure, ConfirmationOutcomesAndTheCardBetweenTheDialogs)
{
    SimulatedReaders sim(testing::Readers(testing::FinancialCard()));
    const std::pair<int, int32_t> outcomes[] = { { 101, status::kConfirmationFirstCheckFailed },
        { 102, status::kConfirmationLaterCheckFailed }, { 2, status::kNotConfirmed } };
    for (const auto& [answer, expected] : outcomes) {
        ui.confirmAnswer = answer;
        EXPECT_EQ(Proc(u"0"), expected);
        ExpectNothingSignedAndDisconnected();
    }
    EXPECT_EQ(control.GetClearImportAccount(), u"") << "written only after a confirmation";
    // Confirmed, but the getter failed: no code and no import account to sign with.
    ui.confirmAnswer = 1;
    ui.getterFails = true;
    EXPECT_EQ(Proc(u"0"), status::kNotConfirmed);
    ExpectNothingSignedAndDisconnected();
    ui.getterFails = false;

    // The card left during the confirmation and did not come back; then it did.
    ui.duringConfirmation = [&sim](ConfirmationRequest&) { sim.RemoveCard(testing::kPadReader); };
    EXPECT_EQ(Proc(u"0"), pcsc::kNoSmartcard);
    EXPECT_EQ(control.GetClearImportAccount(), kImportAccount) << "written by the confirmation";
    ExpectNothingSignedAndDisconnected();
    ui.duringConfirmation = [&sim](ConfirmationRequest& request) {
        sim.RemoveCard(testing::kPadReader);
        EXPECT_EQ(request.probeCard(), pcsc::kNoSmartcard);
        sim.InsertCard(testing::kPadReader);
    };
    sim.InsertCard(testing::kPadReader);
    ASSERT_EQ(Proc(u"0"), 0);
    EXPECT_TRUE(Signed(true, "2524"));
}

} // namespace
} // namespace velkor
