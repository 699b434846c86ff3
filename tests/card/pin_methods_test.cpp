#include <gtest/gtest.h>

#include "card_test_support.h"
#include "common/status_codes.h"
#include "support/connected_control.h"

// PIN verification and change, typed and on the reader's pad, through the control.
namespace velkor {
namespace {

using nlohmann::json;
using testing::ConnectedControl;
using testing::FinancialCard;
using testing::Readers;
using testing::ScriptedCard;
using testing::ScriptedUi;
using testing::SimulatedReaders;
using testing::WaitRecorder;

const Text kPad = u"ACS ACR83U 00 00";
const Text kPlain = u"Generic Reader 01";
constexpr char kSelectT1[] = "00A4040008A00000017295000100";

class PinMethods : public ::testing::Test {
protected:
    WaitRecorder waits;
    ScriptedUi ui;
};

TEST_F(PinMethods, PinsThatCannotBeSentAreRefusedBeforeTheCardIsTouched)
{
    ConnectedControl control(Readers(ScriptedCard("T1", {})));
    EXPECT_EQ(control->VerifyPIN(std::nullopt), status::kMissingArgument);
    EXPECT_EQ(control->VerifyPIN(u"12345"), status::kBadLength);
    EXPECT_EQ(control->VerifyPIN(u"1234567890123"), status::kBadLength);
    EXPECT_EQ(control->VerifyPIN(u"12345a"), status::kBadValue);
    EXPECT_EQ(control->ChangePIN(u"123456", std::nullopt), status::kMissingArgument);
    EXPECT_EQ(control->ChangePIN(u"12345a", u"12345"), status::kBadLength)
        << "lengths before characters";
    EXPECT_EQ(control->ChangePIN(u"123456", u"65432x"), status::kBadValue);
    EXPECT_EQ(control.sim.Progress("ACS ACR83U 00 00").mismatches, 0u) << "nothing was sent";
}

TEST_F(PinMethods, TypedPinGoesOutAsItsBlockAndRefusalsAreMapped)
{
    // T=0 sends the selection without Le; a seven-digit PIN leaves F in the low nibble. Only
    // 9000 accepts the PIN (not a 0000 answer).
    const struct {
        const char* answer;
        int32_t result;
    } cases[] = { { "9000", status::kOk }, { "63C2", status::kPinRefused },
        { "6983", status::kPinRefused }, { "0000", status::kPinRefused },
        { "6620", status::kPinAnswered6620 }, { "6608", status::kPinAnswered6608 } };
    for (const auto& c : cases) {
        ConnectedControl control(Readers(ScriptedCard("T0",
            { { "00A4040008A000000172950001", "9000" },
                { "00200010081234567FFFFFFFFF", c.answer } })));
        EXPECT_EQ(control->VerifyPIN(u"1234567"), c.result) << c.answer;
        EXPECT_EQ(control.sim.Progress("ACS ACR83U 00 00").mismatches, 0u);
    }
    ConnectedControl control(Readers(ScriptedCard("T1", { { kSelectT1, "6A82" } })));
    EXPECT_EQ(control->VerifyPIN(u"123456"), status::kSelectionFailed);
}

TEST_F(PinMethods, ChangePinWritesTheNewBlockOnlyAfterTheOldOneIsAccepted)
{
    {
        ConnectedControl control(Readers(ScriptedCard(
            "T1", { { kSelectT1, "9000" }, { "0020001008111111FFFFFFFFFF", "63C1" } })));
        EXPECT_EQ(control->ChangePIN(u"111111", u"222222"), status::kPinRefused);
        const auto progress = control.sim.Progress("ACS ACR83U 00 00");
        EXPECT_EQ(progress.consumed, progress.total);
        EXPECT_EQ(progress.mismatches, 0u) << "the PIN file was never selected";
    }
    ConnectedControl control(Readers(ScriptedCard("T1",
        { { kSelectT1, "9000" }, { "0020001008111111FFFFFFFFFF", "9000" },
            { "00A402000200C2", "9000" }, { "00D2010408123456789012FFFF", "6A80" } })));
    EXPECT_EQ(control->ChangePIN(u"111111", u"123456789012"), pcsc::sw::kWrongData)
        << "the write's own status";
    EXPECT_EQ(control.sim.Progress("ACS ACR83U 00 00").mismatches, 0u);
}

TEST_F(PinMethods, PadVerificationTellsTheCustomerFirstAndUsesWhatWasTypedOnThePad)
{
    ConnectedControl control(Readers(FinancialCard(), FinancialCard({ { "triesLeft", 0 } })), &ui);
    EXPECT_EQ(control->VerifyPINSnd(), 0);
    ASSERT_EQ(ui.texts.size(), 1u);
    EXPECT_EQ(ui.texts[0], u"請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵");
    EXPECT_EQ(ui.captions[0], u"霖州銀行");

    // A plain reader passes the blank block to the card, which counts it as a wrong PIN; a
    // blocked PIN stays refused.
    ASSERT_EQ(control->ConnectCard(kPlain), 0);
    EXPECT_EQ(control->VerifyPINSnd(), status::kPinRefused);
    EXPECT_EQ(ui.texts.size(), 2u) << "the box comes before the card's answer";
}

TEST_F(PinMethods, PadVerificationWithAWrongPadPinIsRefused)
{
    ConnectedControl control(Readers(FinancialCard(), nullptr, "999999"), &ui);
    EXPECT_EQ(control->VerifyPINSnd(), status::kPinRefused);
    EXPECT_EQ(control->VerifyPIN(u"123456"), 0) << "one wrong try, not blocked";
}

TEST_F(PinMethods, PadReadersTakeTheLongAndTheShortFormWithoutAMessage)
{
    SimulatedReaders sim(Readers(FinancialCard(), FinancialCard()));
    CardEngine engine(testing::Session());
    int32_t slot = -1;
    int32_t atrLength = 0;
    Text atr;
    ASSERT_EQ(engine.ConnectCard(kPad, slot, atrLength, atr), 0);
    EXPECT_EQ(engine.VerifyPinOnReader(slot), 0);
    EXPECT_EQ(engine.VerifyPinOnReaderShort(slot), 0);
    // Without a pad the short form reaches the card bare, which it refuses.
    ASSERT_EQ(engine.ConnectCard(kPlain, slot, atrLength, atr), 0);
    EXPECT_EQ(engine.VerifyPinOnReaderShort(slot), status::kPinRefused);
}

TEST_F(PinMethods, PadChangeChecksTheAccountAfterTheMessageAndChangesThePin)
{
    ConnectedControl control(Readers(FinancialCard()), &ui);
    EXPECT_EQ(control->ChangePINSnd(std::nullopt), status::kMissingArgument);
    EXPECT_TRUE(ui.events.empty()) << "a missing account shows no box";

    EXPECT_EQ(control->ChangePINSnd(u"822001234567890"), status::kAccountMismatch)
        << "15 characters";
    EXPECT_EQ(control->ChangePINSnd(u"8220012345678902"), status::kAccountMismatch)
        << "another account";
    ASSERT_EQ(ui.texts.size(), 2u);
    EXPECT_EQ(ui.texts[0], u"請於晶片讀卡機上輸入晶片舊密碼與新密碼後，按下『確認』鍵");
    EXPECT_EQ(ui.captions[0], u"霖州銀行");

    EXPECT_EQ(control->ChangePINSnd(u"8220012345678901"), 0);
    EXPECT_EQ(control->VerifyPIN(u"123456"), status::kPinRefused);
    EXPECT_EQ(control->VerifyPIN(u"654321"), 0);
}

TEST_F(PinMethods, PadChangeFailuresComeAfterTheBoxAndLeaveThePinAlone)
{
    const auto forced = [](const char* command, const char* answer) {
        return json { { "forcedAnswers",
            { { { "command", command }, { "answer", answer }, { "times", 1 } } } } };
    };
    const struct {
        const char* name;
        json card;
        std::string newPin;
        const char16_t* account;
        int32_t result;
    } cases[] = {
        { "PIN file refused", forced("00A402000200C2", "6A82"), "654321", u"8220012345678901",
            status::kSelectionFailed },
        { "account record refused", forced("00B20304", "6A83"), "654321", u"8220012345678901",
            pcsc::sw::kRecordNotFound },
        { "pad VERIFY 6620", forced("00200010", "6620"), "654321", u"8220012345678901",
            status::kPinAnswered6620 },
        { "pad VERIFY 6608", forced("00200010", "6608"), "654321", u"8220012345678901",
            status::kPinAnswered6608 },
        { "pad VERIFY 63C1", forced("00200010", "63C1"), "654321", u"8220012345678901",
            status::kPinRefused },
        { "cancelled on the pad", json::object(), "", u"8220012345678901", status::kPinRefused },
    };
    for (const auto& c : cases) {
        SimulatedReaders sim(Readers(FinancialCard(c.card), nullptr, "123456", c.newPin));
        ScriptedUi caseUi;
        CVelkorCtrl control(caseUi);
        ASSERT_EQ(control.ConnectCard(kPad), 0) << c.name;
        EXPECT_EQ(control.ChangePINSnd(Text(c.account)), c.result) << c.name;
        EXPECT_EQ(caseUi.events, (std::vector<std::string> { "message" })) << c.name;
        EXPECT_EQ(control.VerifyPIN(u"123456"), 0) << c.name << ": the PIN changed";
    }

    // Only the first 16 characters of a longer account are compared.
    ConnectedControl control(Readers(FinancialCard()), &ui);
    EXPECT_EQ(control->ChangePINSnd(u"82200123456789019"), 0);
    EXPECT_EQ(control->VerifyPIN(u"654321"), 0);
}

} // namespace
} // namespace velkor
