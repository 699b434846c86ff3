#include <gtest/gtest.h>

#include "card_test_support.h"
#include "common/status_codes.h"
#include "support/connected_control.h"

// Account lists, identity reads and the SNUM/TAC record write, through the control on simulated
// readers.
namespace velkor {
namespace {

using nlohmann::json;
using testing::ConnectedControl;
using testing::FinancialCard;
using testing::Readers;
using testing::ScriptedCard;
using testing::SimulatedReaders;
using testing::WaitRecorder;

const Text kPad = u"ACS ACR83U 00 00";
const Text kPlain = u"Generic Reader 01";

class CardCommands : public ::testing::Test {
protected:
    WaitRecorder waits;
};

TEST_F(CardCommands, AccountListsSkipEmptyRecordsAndStopAtAMissingOne)
{
    SimulatedReaders sim(Readers(FinancialCard({ { "accounts",
                                                     { "8220055500011122", "0000000000000000",
                                                         "8220055500033344", "0000000000000000",
                                                         nullptr, "8220055500077788" } },
        { "secondAccounts",
            { "008220012345678901234567", "000000000000000000000000", "017000123456789012345678",
                "000000000000000000000000", "000000000000000000000000", "000000000000000000000000",
                "000000000000000000000000", "000000000000000000000000" } } })));
    CVelkorCtrl control;
    EXPECT_EQ(control.GetEF1002TotalAccounts(), -1) << "before any listing";
    ASSERT_EQ(control.ConnectCard(kPad), 0);
    EXPECT_EQ(control.ListEF1001Accounts(), status::kAccountListIncomplete);
    EXPECT_EQ(control.GetEF1001TotalAccounts(), 2);
    EXPECT_EQ(control.GetEF1001Account(0), u"8220055500011122");
    EXPECT_EQ(control.GetEF1001Account(1), u"8220055500033344");
    EXPECT_EQ(control.GetEF1001Account(2), u"");
    EXPECT_EQ(control.GetEF1001Account(10), u"");
    EXPECT_EQ(control.GetEF1001Account(-1), u"");

    EXPECT_EQ(control.ListEF1002Accounts(), 0);
    EXPECT_EQ(control.GetEF1002TotalAccounts(), 2);
    EXPECT_EQ(control.GetEF1002Account(1), u"017000123456789012345678");

    ASSERT_EQ(control.ConnectCard(kPad), 0);
    EXPECT_EQ(control.GetEF1001TotalAccounts(), -1) << "a new connection empties the lists";
    EXPECT_EQ(control.GetEF1001Account(0), u"");
}

TEST_F(CardCommands, AccountListIsReadRecordByRecordExactlyAsSent)
{
    // T=0: the selection goes without Le, each READ RECORD with Le 12. Record 4 has no digit at
    // byte 3, record 5 delivers no data, record 6 ends at a zero byte.
    const std::string account = "3832323030313233343536373839";
    std::string zeros;
    for (int i = 0; i < 16; ++i) {
        zeros += "30";
    }
    ConnectedControl control(Readers(ScriptedCard("T0",
        { { "00A4040008A000000172950001", "9000" }, { "00A40200021001", "9000" },
            { "00B2030412", "0310" + account + "30319000" },
            { "00B2040412", "03103841" + account.substr(4) + "30319000" }, { "00B2050412", "9000" },
            { "00B2060412", "0310" + account + "00319000" },
            { "00B2070412", "0310" + zeros + "9000" }, { "00B2080412", "6A83" } })));
    EXPECT_EQ(control->ListEF1001Accounts(), status::kAccountListIncomplete);
    EXPECT_EQ(control->GetEF1001TotalAccounts(), 2);
    EXPECT_EQ(control->GetEF1001Account(0), u"8220012345678901");
    EXPECT_EQ(control->GetEF1001Account(1), u"82200123456789");
    EXPECT_EQ(control.sim.Progress("ACS ACR83U 00 00").mismatches, 0u);

    // A refused selection leaves the list and the count as they were.
    EXPECT_EQ(control->ListEF1001Accounts(), status::kSelectionFailed);
    EXPECT_EQ(control->GetEF1001TotalAccounts(), 2);
}

TEST_F(CardCommands, IdentityReadsGiveTheCardsTextsAndHideFailuresInEmptyTexts)
{
    ConnectedControl control(Readers(FinancialCard(),
        FinancialCard(
            { { "forcedAnswers", { { { "command", "00A40400" }, { "answer", "6A82" } } } } })));
    EXPECT_EQ(control->GetIssuerBank(), u"822");
    EXPECT_EQ(
        control->GetICCRemark(), u"000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D");
    EXPECT_EQ(control->ReadCardSN(), u"445566778899AABB");
    EXPECT_EQ(control->State().lastErrorCode, 0);

    ASSERT_EQ(control->ConnectCard(kPlain), 0);
    EXPECT_EQ(control->GetIssuerBank(), u"");
    EXPECT_EQ(control->GetICCRemark(), u"");
    EXPECT_EQ(control->ReadCardSN(), u"");
    EXPECT_EQ(control->State().lastErrorCode, status::kSelectionFailed);
}

TEST_F(CardCommands, SerialIsReadOnlyFromTheBytesTheCardDelivered)
{
    // The serial is bytes 4 to 11 of the answer. After 61xx only the announced bytes count, even
    // when GET RESPONSE delivers more; a card pulled before GET RESPONSE gives its PC/SC error.
    const auto failure = [](const std::string& readAnswer, const char* getResponse, int pullAfter) {
        json config = Readers(ScriptedCard("T1",
            { { "00A4040008A00000017295000100", "9000" }, { "00B0000010", readAnswer },
                { "00C0000010", getResponse } }));
        config["events"] = { { { "call", "SCardTransmit" }, { "nth", pullAfter },
            { "action", "remove" }, { "reader", "ACS ACR83U 00 00" } } };
        ConnectedControl control(config);
        EXPECT_EQ(control->ReadCardSN(), u"");
        return control->State().lastErrorCode;
    };
    const std::string serial = "00112233445566778899AABBCCDDEEFF9000";
    EXPECT_EQ(failure("0011223344559000", "9000", 9), status::kCardAnswerTooShort);
    EXPECT_EQ(failure("6108", serial.c_str(), 9), status::kCardAnswerTooShort);
    EXPECT_EQ(failure("6110", serial.c_str(), 2), pcsc::kRemovedCard);
}

TEST_F(CardCommands, CardPulledBetweenCommandsGivesTheCodesNotACrash)
{
    json config = Readers(FinancialCard());
    // The card goes right after the application is selected.
    config["events"] = { { { "call", "SCardTransmit" }, { "nth", 1 }, { "action", "remove" },
        { "reader", "ACS ACR83U 00 00" } } };
    ConnectedControl control(config);
    EXPECT_EQ(control->VerifyPIN(u"123456"), status::kPinRefused);
    EXPECT_EQ(control->ListEF1001Accounts(), status::kSelectionFailed);
    EXPECT_EQ(control->GetIssuerBank(), u"");
    EXPECT_EQ(control->ReadCardSN(), u"");
    EXPECT_EQ(control->State().lastErrorCode, status::kSelectionFailed);
    EXPECT_EQ(control->CheckCardInsert(), 1);
}

TEST_F(CardCommands, RecordWriteWithSnumTacChecksItsTextsAndStoresTheAnswer)
{
    // A reader without pad: the command reaches the card as sent. The answers: SNUM and TAC, a
    // refusal, and one too short for them.
    SimulatedReaders sim(Readers(nullptr,
        ScriptedCard("T1",
            { { "00E210800341424300",
                  "00303030303030313200000011223344556677"
                  "9000" },
                { "00E20102014100", "6A80" }, { "00E20102014100", "0030319000" } })));
    CardEngine engine(testing::Session());
    int32_t slot = -1;
    int32_t atrLength = 0;
    Text atr;
    ASSERT_EQ(engine.ConnectCard(kPlain, slot, atrLength, atr), 0);
    Text snum = u"old";
    Text tac = u"old";
    const auto write = [&](const OptText& p1p2, int32_t length, const Text& command) {
        return engine.WriteRecordWithSnumTac(slot, p1p2, length, command, snum, tac);
    };
    EXPECT_EQ(write(std::nullopt, 3, u"ABC"), status::kMissingArgument);
    EXPECT_EQ(write(u"108", 3, u"ABC"), status::kBadLength);
    EXPECT_EQ(write(u"1080", 4, u"ABC"), status::kBadLength) << "not the command's length";
    EXPECT_EQ(write(u"1080", 129, Text(129, u'A')), status::kBadLength);
    EXPECT_EQ(write(u"10G0", 3, u"ABC"), status::kDecodeFailed3);
    EXPECT_EQ(snum, u"old");

    EXPECT_EQ(write(u"1080", 3, u"ABC"), status::kOk);
    EXPECT_EQ(snum, u"00000012");
    EXPECT_EQ(tac, u"0011223344556677");
    EXPECT_EQ(write(u"0102", 1, u"A"), pcsc::sw::kWrongData) << "the card's status word as it is";
    EXPECT_EQ(write(u"0102", 1, u"A"), status::kCardAnswerTooShort);
    EXPECT_EQ(snum, u"00000012");
    EXPECT_EQ(sim.Progress("Generic Reader 01").mismatches, 0u);
}

} // namespace
} // namespace velkor
