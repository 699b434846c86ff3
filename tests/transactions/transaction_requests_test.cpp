#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "pcsc/simulated_readers.h"
#include "support/connected_control.h"
#include "transaction_test_support.h"
#include "transactions/transaction_request.h"

// The plain transaction requests on the connected card: command layouts byte for byte, the
// status mapping, the identity read and what each outcome leaves in the record.
namespace velkor {
namespace {

using nlohmann::json;
using testing::ConnectedControl;
using testing::FixedClock;
using testing::Hex;
using testing::kTimestamp;
using testing::Readers;
using testing::ScriptedCard;
using testing::TransactionAnswer;
using testing::TransactionCommand;
using testing::WaitRecorder;
using testing::Withdraw;

// A reader without PIN pad: the commands reach the card as the control sends them.
const Text kReader = u"Generic Reader 01";
constexpr char kAccount[] = "8220012345678901";
constexpr char kSelectAccountFile[] = "00A40200021001";
constexpr char kRemarkHex[] = "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D";

// Records 1 to 3 of EF1001 as one extended READ RECORD answers them.
std::string AllRecords(const std::string& issuer, const std::string& account)
{
    return "0108" + Hex(issuer) + std::string(2 * (8 - issuer.size()), '0') + "021E" + kRemarkHex
        + "0310" + Hex(account) + "9000";
}

std::string WithdrawalData()
{
    return std::string("2510") + "00000000100000" + "00000001" + "12345678" + kTimestamp + kAccount;
}

struct Record {
    Text snum, tac, dateTime, issuer, remark, account;
    bool operator==(const Record&) const = default;
};

Record RecordOf(CVelkorCtrl& control)
{
    return { control.GetRespSNUM(), control.GetRespTAC(), control.GetRespDateTime(),
        control.GetTransactionIssuer(), control.GetTransactionRemark(),
        control.GetTransactionAccount() };
}

// The scripted card in the reader without PIN pad, connected.
ConnectedControl OnPlainReader(
    const std::string& protocol, std::initializer_list<std::pair<std::string, std::string>> script)
{
    return ConnectedControl(Readers(nullptr, ScriptedCard(protocol, script)), nullptr, kReader);
}
ConnectedControl OnPlainReader(std::initializer_list<std::pair<std::string, std::string>> script)
{
    return OnPlainReader("T1", script);
}

class TransactionRequests : public ::testing::Test {
protected:
    WaitRecorder waits;
    FixedClock clock;
};

TEST_F(TransactionRequests, WithdrawalSendsFieldsAndTimestampAndStoresTheAnswerAndIdentity)
{
    auto control = OnPlainReader({ { TransactionCommand(WithdrawalData()),
                                       TransactionAnswer("00000017", "1122334455667788") },
        { kSelectAccountFile, "9000" }, { "00B20105000000", AllRecords("822", kAccount) } });
    EXPECT_EQ(Withdraw(*control), 0);
    EXPECT_EQ(RecordOf(*control),
        (Record { u"00000017", u"1122334455667788", u"20240305070809", u"822",
            Utf8ToText(kRemarkHex), Utf8ToText(kAccount) }));
    EXPECT_EQ(control.sim.Progress(testing::kPlainReader).mismatches, 0u);
    EXPECT_TRUE(control->Session().ContextEstablished()) << "the plain request stays connected";
}

TEST_F(TransactionRequests, EachTypeLaysOutItsDataInTheCardsOrder)
{
    const std::string common = std::string("00000000100000") + "00000001" + "12345678" + kTimestamp;
    const std::string payment = "2520" + common + "TAX01" + kAccount + "9999888877776666";
    const std::string tax = "2530" + common + kAccount;
    const std::string transfer = "2540" + common + "1234567890123456" + kAccount;
    const std::string inquiry = std::string("2550") + "12345678" + kAccount;
    const std::string answer = TransactionAnswer("00000001", "0000000000000000");
    auto control
        = OnPlainReader({ { TransactionCommand(payment), answer }, { kSelectAccountFile, "6A82" },
            { TransactionCommand(tax), answer }, { kSelectAccountFile, "6A82" },
            { TransactionCommand(transfer), answer }, { kSelectAccountFile, "6A82" },
            { TransactionCommand(inquiry), answer }, { kSelectAccountFile, "6A82" } });
    ASSERT_EQ(payment.size(), 0x55u);
    ASSERT_EQ(transfer.size(), 0x50u);
    ASSERT_EQ(inquiry.size(), 0x1Cu);
    const Text account = Utf8ToText(kAccount);
    // The payment takes the cancellation number before the account, and sends it after.
    EXPECT_EQ(control->AccountPayment(u"2520", u"00000001", u"12345678", u"00000000100000",
                  u"TAX01", u"9999888877776666", account),
        0);
    EXPECT_EQ(
        control->AccountPayTax(u"2530", u"00000001", u"12345678", u"00000000100000", account), 0);
    // The plain transfer sends the first 16 characters of a longer import account.
    EXPECT_EQ(control->AccountTransfer(u"2540", u"00000001", u"12345678", u"00000000100000",
                  u"12345678901234567890", account),
        0);
    EXPECT_EQ(control->GetRespDateTime(), u"20240305070809");
    EXPECT_EQ(control->AccountInquiry(u"2550", u"12345678", account), 0);
    EXPECT_EQ(control->GetRespDateTime(), u"") << "an inquiry carries no timestamp";
    EXPECT_EQ(control.sim.Progress(testing::kPlainReader).mismatches, 0u);
}

TEST_F(TransactionRequests, MissingFieldsAndWrongLengthsAreRefusedBeforeAnythingIsSent)
{
    auto control = OnPlainReader({});
    const Text account = Utf8ToText(kAccount);
    const auto withdraw = [&control](const Text& code, const Text& money, const OptText& from) {
        return control->AccountWithdraw(code, u"00000001", u"12345678", money, from);
    };
    EXPECT_EQ(withdraw(u"2510", u"0000000100000", account), status::kBadLength);
    EXPECT_EQ(withdraw(u"2510", u"000000001000000", account), status::kBadLength) << "over-long";
    EXPECT_EQ(withdraw(u"2510", u"00000000100000", account + u"0"), status::kBadLength);
    EXPECT_EQ(withdraw(u"251", u"00000000100000", std::nullopt), status::kMissingArgument)
        << "a missing field comes before a wrong length";
    EXPECT_EQ(control->AccountPayment(u"2520", u"00000001", u"12345678", u"00000000100000", u"TAX1",
                  u"9999888877776666", account),
        status::kBadLength);
    EXPECT_EQ(control->AccountTransfer(u"2540", u"00000001", u"12345678", u"00000000100000",
                  u"123456789012345", account),
        status::kBadLength);
    EXPECT_EQ(control->AccountInquiry(u"2550", u"1234567", account), status::kBadLength);
    EXPECT_EQ(control->AccountPayTax(std::nullopt, u"", u"", u"", u""), status::kMissingArgument);
    EXPECT_EQ(control.sim.Progress(testing::kPlainReader).mismatches, 0u) << "nothing was sent";
}

// A character outside ASCII counts as one character and sends its low byte.
TEST(TransactionFields, NonAsciiCharactersCountOnceAndSendTheirLowByte)
{
    using namespace transactions;
    TransactionFields fields;
    fields.processingCode = u"2550";
    fields.checkCode = u"1234567\u4E2D";
    fields.inquiredAccount = Utf8ToText(kAccount);
    EXPECT_TRUE(
        CheckTransactionFields(TransactionType::Inquiry, fields, ImportAccountRule::Exactly16)
            .Ok());
    const std::vector<uint8_t> data = TransactionCommandData(TransactionType::Inquiry, fields, u"");
    ASSERT_EQ(data.size(), 28u);
    EXPECT_EQ(data[11], 0x2D);
    fields.checkCode = u"12345678\u4E2D";
    EXPECT_EQ(CheckTransactionFields(TransactionType::Inquiry, fields, ImportAccountRule::Exactly16)
                  .outcome,
        card::Outcome::ArgumentWrongLength);
}

TEST_F(TransactionRequests, RefusedTransactionsKeepThePreviousRecord)
{
    const std::string command = TransactionCommand(WithdrawalData());
    auto control = OnPlainReader({ { command, TransactionAnswer("00000017", "1122334455667788") },
        { kSelectAccountFile, "9000" }, { "00B20105000000", AllRecords("822", kAccount) },
        { command, "6610" }, { command, "69F0" }, { command, "6A80" }, { command, "9000" } });
    ASSERT_EQ(Withdraw(*control), 0);
    const Record before = RecordOf(*control);
    EXPECT_EQ(Withdraw(*control), status::kTransactionAnswered6610);
    EXPECT_EQ(Withdraw(*control), status::kTransactionAnswered69F0);
    EXPECT_EQ(Withdraw(*control), status::kTransactionFailed);
    EXPECT_EQ(Withdraw(*control), status::kTransactionFailed) << "accepted without SNUM and TAC";
    EXPECT_EQ(RecordOf(*control), before);
    EXPECT_EQ(control.sim.Progress(testing::kPlainReader).mismatches, 0u);

    // A pulled card is a failed command too.
    ASSERT_EQ(control.sim.RemoveCard(testing::kPlainReader), 0);
    EXPECT_EQ(Withdraw(*control), status::kTransactionFailed);
    EXPECT_EQ(RecordOf(*control), before);
}

TEST_F(TransactionRequests, IdentityFallsBackToRecordByRecordAndKeepsWhatItCouldNotRead)
{
    const std::string command = TransactionCommand(WithdrawalData());
    const std::string otherAccount = "8229876543210000";
    const std::string remark2 = "0220" + std::string(60, 'E');
    auto control = OnPlainReader({ { command, TransactionAnswer("00000001", "1111111111111111") },
        { kSelectAccountFile, "9000" }, { "00B20105000000", AllRecords("822", kAccount) },
        // Refused at once: read record by record.
        { command, TransactionAnswer("00000002", "2222222222222222") },
        { kSelectAccountFile, "9000" }, { "00B20105000000", "6A81" },
        { "00B2010408", "0108" + Hex("823") + "0000009000" }, { "00B2020420", remark2 + "9000" },
        { "00B2030412", "0310" + Hex(otherAccount) + "9000" },
        // Record 2 refused: the issuer is new, remark and account stay.
        { command, TransactionAnswer("00000003", "3333333333333333") },
        { kSelectAccountFile, "9000" }, { "00B20105000000", "6A81" },
        { "00B2010408", "0108" + Hex("824") + "0000009000" }, { "00B2020420", "6A83" },
        // EF1001 not selected: all three stay.
        { command, TransactionAnswer("00000004", "4444444444444444") },
        { kSelectAccountFile, "6A82" } });
    ASSERT_EQ(Withdraw(*control), 0);
    ASSERT_EQ(Withdraw(*control), 0);
    const Text remark = Utf8ToText(remark2.substr(4));
    EXPECT_EQ(RecordOf(*control),
        (Record { u"00000002", u"2222222222222222", u"20240305070809", u"823", remark,
            Utf8ToText(otherAccount) }));
    ASSERT_EQ(Withdraw(*control), 0);
    EXPECT_EQ(RecordOf(*control),
        (Record { u"00000003", u"3333333333333333", u"20240305070809", u"824", remark,
            Utf8ToText(otherAccount) }));
    ASSERT_EQ(Withdraw(*control), 0);
    EXPECT_EQ(control->GetRespSNUM(), u"00000004");
    EXPECT_EQ(control->GetTransactionIssuer(), u"824");
    EXPECT_EQ(control.sim.Progress(testing::kPlainReader).mismatches, 0u);

    // A new connection empties SNUM, TAC and timestamp, not the card's identity.
    ASSERT_EQ(control->ConnectCard(kReader), 0);
    EXPECT_EQ(
        RecordOf(*control), (Record { u"", u"", u"", u"824", remark, Utf8ToText(otherAccount) }));
}

TEST_F(TransactionRequests, UnderT0TheAnswerComesByGetResponseAndTheIdentityRecordByRecord)
{
    // A T=0 card takes no Le after command data and no extended Le: SNUM and TAC wait behind
    // 61xx, and the identity is read one record at a time.
    const std::string data = WithdrawalData();
    const std::string answer = TransactionAnswer("00000042", "0102030405060708");
    auto control = OnPlainReader("T0",
        { { TransactionCommand(data, ""), "6113" }, { "00C0000013", answer },
            { kSelectAccountFile, "9000" }, { "00B20105000000", "6700" },
            { "00B2010408", "0108" + Hex("822") + "0000009000" },
            { "00B2020420", std::string("021E") + kRemarkHex + "9000" },
            { "00B2030412", "0310" + Hex(kAccount) + "9000" } });
    ASSERT_EQ(Withdraw(*control), 0);
    EXPECT_EQ(control.sim.Progress(testing::kPlainReader).mismatches, 0u);
    EXPECT_EQ(control.sim.Progress(testing::kPlainReader).consumed, 7u);
    EXPECT_EQ(RecordOf(*control),
        (Record { u"00000042", u"0102030405060708", u"20240305070809", u"822",
            Utf8ToText(std::string(kRemarkHex)), Utf8ToText(kAccount) }));
}

} // namespace
} // namespace velkor
