#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "host/bank_session.h"
#include "host/demo_keys.h"
#include "host/tac_check.h"
#include "pcsc/simulated_readers.h"
#include "support/transfer_dialogs_ui.h"
#include "transaction_test_support.h"

// The web-ATM transfer procedures on the simulated card, with the customer's dialogs stood in
// for: what they refuse before connecting, what each dialog is given, which request each service
// signs, and that every way out ends disconnected with nothing signed after a cancellation.
namespace velkor {
namespace {

using testing::FinancialCard;
using testing::kCardAccount;
using testing::kTimestamp;
using testing::Readers;
using testing::SimulatedReaders;

const Text kPad = u"ACS ACR83U 00 00";
const Text kPlain = u"Generic Reader 01";
const Text kAccount = u"8220012345678901";
const Text kMoney = u"00000000020000";
const Text kShowMsg = u"<Tag5>霖州銀行 822</Tag5>";
const Text kLists = u"<AtmNode Name=\"約定帳號\"/><AtmNode Name=\"常用帳號\"/>"
                    u"<AtmNode Name=\"其他帳號\">台灣銀行%%004;;</AtmNode>";
constexpr int32_t kNoCard = static_cast<int32_t>(0x8010000CU);

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
        return control.TransferProc(u"2540", u"00000002", u"87654321", kMoney, kAccount, reader,
            pin, kShowMsg, keys.hash, keys.encrypted, lists, service);
    }
    int32_t ProcSnd(const OptText& service, const Text& reader = kPad)
    {
        return control.TransferProcSnd(u"2540", u"00000002", u"87654321", kMoney, kAccount, reader,
            kShowMsg, keys.hash, keys.encrypted, kLists, service);
    }
    bool HostAccepts(const std::string& commandData)
    {
        std::vector<uint8_t> key(16);
        CDataProcess::HexToBytes(32, Utf8ToText(testing::kTacKeyHex), key.data());
        return host::VerifyTac(
            key, TextToUtf8(control.GetRespSNUM()), commandData, TextToUtf8(control.GetRespTAC()));
    }
    static std::string TransferData(const std::string& code)
    {
        return host::TransferCommandData(code, "00000000020000", "00000002", "87654321", kTimestamp,
            "0012345678901234", kCardAccount);
    }
    static std::string TaxData(const std::string& code)
    {
        return host::WithdrawalCommandData(
            code, "00000000020000", "00000002", "87654321", kTimestamp, kCardAccount);
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

TEST_F(TransferProcedure, ArgumentsAreRefusedBeforeAnyConnectionOrDialog)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    EXPECT_EQ(Proc(u"0", std::nullopt), status::kMissingArgument);
    EXPECT_EQ(Proc(std::nullopt), status::kMissingArgument);
    EXPECT_EQ(Proc(u"0", u"123456", std::nullopt), status::kMissingArgument);
    EXPECT_EQ(control.TransferProcSnd(u"2540", u"00000002", u"87654321", kMoney, kAccount, kPad,
                  kShowMsg, keys.hash, Text(255, u'A'), kLists, u"0"),
        status::kBadLength);
    EXPECT_EQ(control.TransferProc(u"254", u"00000002", u"87654321", kMoney, kAccount, kPad,
                  u"123456", kShowMsg, keys.hash, keys.encrypted, kLists, u"0"),
        status::kBadLength);
    EXPECT_EQ(control.TransferProc(u"2540", u"00000002", u"87654321", kMoney, kAccount, kPad,
                  u"123456", kShowMsg, keys.hash.substr(1), keys.encrypted, kLists, u"0"),
        status::kBadLength);
    EXPECT_EQ(Proc(u"0", u"12345"), status::kBadLength) << "a PIN that cannot be sent";
    EXPECT_TRUE(ui.events.empty());
    EXPECT_FALSE(control.Session().ContextEstablished()) << "nothing was connected";

    // Connected, but two lists are too few for the dialog.
    const Text twoLists = u"<AtmNode Name=\"a\"/><AtmNode Name=\"b\"/><atmnode Name=\"c\"/>";
    EXPECT_EQ(Proc(u"0", u"123456", twoLists), status::kTooFewAccountLists);
    EXPECT_TRUE(ui.events.empty());
    ExpectNothingSignedAndDisconnected();
}

TEST_F(TransferProcedure, EachServiceSignsItsRequestWithTheChosenAccountAndCode)
{
    SimulatedReaders sim(Readers(FinancialCard({ { "snum", 10 } })));
    ASSERT_EQ(Proc(u"0"), 0);
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_TRUE(HostAccepts(TransferData("2524"))) << "the dialog's code, the chosen account";
    ASSERT_EQ(ui.confirmations.size(), 1u);
    const auto& seen = ui.confirmations[0];
    EXPECT_EQ(seen.kind, 23);
    EXPECT_EQ(seen.mode, u'0');
    EXPECT_EQ(seen.amount, kMoney);
    EXPECT_EQ(seen.account, kAccount);
    EXPECT_EQ(seen.transferee, ui.firstResult);
    EXPECT_TRUE(seen.resultsHandedOn);
    EXPECT_EQ(ui.accountDocument, kLists);
    EXPECT_EQ(ui.accountReader, kPad);

    // The import account: the record with the code in place, and its encipherment.
    EXPECT_EQ(control.GetClearImportAccount(), u"004||12345678901234||0||2524||");
    EXPECT_EQ(
        testing::DecipherUnderSession(keys.hash, keys.encrypted, control.GetEncImportAccount()),
        control.GetClearImportAccount());

    // Service 2: a tax payment (64 bytes of data) for 2523, a transfer (80) for any other code.
    ui.transferCode = u"2523";
    ASSERT_EQ(ProcSnd(u"2"), 0);
    EXPECT_TRUE(HostAccepts(TaxData("2523")));
    EXPECT_EQ(ui.confirmations.back().mode, u'2');
    ui.transferCode = u"2564";
    ASSERT_EQ(Proc(u"22"), 0) << "only the first character counts";
    EXPECT_TRUE(HostAccepts(TransferData("2564")));
    ASSERT_EQ(Proc(u"1"), 0);
    EXPECT_TRUE(HostAccepts(TaxData("2564")));
    EXPECT_EQ(ui.confirmations.back().mode, u'1');
    EXPECT_EQ(control.GetRespSNUM(), u"00000013");

    // Any other service: both dialogs and the PIN, no request.
    for (const Text service : { u"9", u"" }) {
        ui.events.clear();
        EXPECT_EQ(Proc(service), 0);
        EXPECT_EQ(control.GetRespSNUM(), u"00000013") << "nothing signed";
        EXPECT_EQ(ui.events, (std::vector<std::string> { "account", "confirm", "arrow" }));
        EXPECT_EQ(ui.confirmations.back().mode, u'0');
    }
    EXPECT_EQ(Proc(u"9", u"654321"), 1) << "the PIN is still verified";
    EXPECT_FALSE(control.Session().ContextEstablished());
}

TEST_F(TransferProcedure, TheSndProcedureNeverVerifiesAPinItself)
{
    // A card that signs without a PIN and whose PIN is blocked: any PIN command would fail.
    SimulatedReaders sim(Readers(
        FinancialCard(), FinancialCard({ { "transactionNeedsPin", false }, { "triesLeft", 0 } })));
    ASSERT_EQ(ProcSnd(u"0", kPlain), 0);
    EXPECT_TRUE(HostAccepts(TransferData("2524")));
    EXPECT_EQ(ui.events, (std::vector<std::string> { "account", "confirm", "wait", "arrow" }))
        << "no message box either";
    EXPECT_EQ(Proc(u"0", u"123456", kLists, kPlain), status::kPinRefused)
        << "TransferProc verifies";
}

TEST_F(TransferProcedure, CancellationsAndFailuresEndDisconnectedWithNothingSigned)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    ui.accountAnswer = 2;
    EXPECT_EQ(Proc(u"0"), status::kNotConfirmed);
    EXPECT_EQ(ui.events, (std::vector<std::string> { "account" }));
    ExpectNothingSignedAndDisconnected();

    // The dialog ended with OK but could not encipher the chosen account.
    ui.accountAnswer = 1;
    ui.accountEnciphermentFails = true;
    EXPECT_EQ(Proc(u"0"), status::kNotConfirmed);
    EXPECT_TRUE(ui.confirmations.empty()) << "not confirmed without the enciphered account";
    ui.accountEnciphermentFails = false;

    // The page left while the account dialog was open.
    ui.duringAccountDialog = [this] { control.MarkPageLeft(); };
    EXPECT_EQ(ProcSnd(u"0"), status::kNotConfirmed);
    EXPECT_TRUE(ui.confirmations.empty());
    ExpectNothingSignedAndDisconnected();
}

TEST_F(TransferProcedure, ConfirmationOutcomesAndTheCardBetweenTheDialogs)
{
    SimulatedReaders sim(Readers(FinancialCard()));
    for (const auto& [answer, expected] :
        std::vector<std::pair<int, int32_t>> { { 101, status::kConfirmationFirstCheckFailed },
            { 102, status::kConfirmationLaterCheckFailed }, { 2, status::kNotConfirmed } }) {
        ui.confirmAnswer = answer;
        EXPECT_EQ(Proc(u"0"), expected);
        ExpectNothingSignedAndDisconnected();
    }
    EXPECT_EQ(control.GetClearImportAccount(), u"") << "written only after a confirmation";

    // Confirmed, but the dialog's getter failed: no code and no import account to sign with.
    ui.confirmAnswer = 1;
    ui.getterFails = true;
    EXPECT_EQ(Proc(u"0"), status::kNotConfirmed);
    ExpectNothingSignedAndDisconnected();
    ui.getterFails = false;

    // The card left during the confirmation and did not come back.
    ui.duringConfirmation = [&sim](ConfirmationRequest&) { sim.RemoveCard(testing::kPadReader); };
    EXPECT_EQ(Proc(u"0"), kNoCard);
    EXPECT_EQ(control.GetClearImportAccount(), u"004||12345678901234||0||2524||")
        << "the confirmation wrote the import account";
    ExpectNothingSignedAndDisconnected();

    // Pulled and put back: the new connection reaches it.
    ui.duringConfirmation = [&sim](ConfirmationRequest& request) {
        sim.RemoveCard(testing::kPadReader);
        EXPECT_EQ(request.probeCard(), kNoCard);
        sim.InsertCard(testing::kPadReader);
    };
    sim.InsertCard(testing::kPadReader);
    ASSERT_EQ(Proc(u"0"), 0);
    EXPECT_TRUE(HostAccepts(TransferData("2524")));
}

} // namespace
} // namespace velkor
