#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "card_test_support.h"
#include "financial_card.h"
#include "hex.h"
#include "host/tac_check.h"
#include "pin_pad.h"
#include "support/hex.h"

// The virtual financial card whose answers every card test and simulator relies on.
namespace velkor {
namespace {

using sim::Bytes;
using sim::FinancialCard;
using sim::ToHex;

std::unique_ptr<sim::VirtualCard> Make(const nlohmann::json& description)
{
    std::string error;
    auto card = sim::MakeCard(description, error);
    EXPECT_TRUE(card) << error;
    if (card) {
        card->PowerOn();
    }
    return card;
}

std::string Send(sim::VirtualCard& card, const std::string& hex)
{
    return ToHex(card.Transmit(*sim::ParseHex(hex)));
}

constexpr char kSelectApplication[] = "00A4040008A00000017295000100";
constexpr char kRightPin[] = "0020001008123456FFFFFFFFFF";
constexpr char kWrongPin[] = "0020001008111111FFFFFFFFFF";

TEST(FinancialCard, PinTriesCountDownToABlockAndARightPinRestoresThem)
{
    auto card = Make(testing::FinancialCard());
    EXPECT_EQ(Send(*card, kRightPin), "6985") << "no application selected";
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    EXPECT_EQ(Send(*card, kWrongPin), "63C2");
    EXPECT_EQ(Send(*card, kRightPin), "9000");
    EXPECT_EQ(Send(*card, kWrongPin), "63C2") << "a right PIN restores the tries";
    EXPECT_EQ(Send(*card, kWrongPin), "63C1");
    EXPECT_EQ(Send(*card, kWrongPin), "6983");
    EXPECT_EQ(Send(*card, kRightPin), "6983") << "blocked for good";
    EXPECT_EQ(Send(*card, "00200010081234"), "6700");
}

TEST(FinancialCard, NewPinIsWrittenOnlyAfterVerificationAndOnlyAsAValidBlock)
{
    auto card = Make(testing::FinancialCard());
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    ASSERT_EQ(Send(*card, "00A402000200C2"), "9000");
    EXPECT_EQ(Send(*card, "00D2010408654321FFFFFFFFFF"), "6982");
    ASSERT_EQ(Send(*card, kRightPin), "9000");
    EXPECT_EQ(Send(*card, "00D20104081234FFFFFFFFFFFF"), "6A80") << "four digits";
    EXPECT_EQ(Send(*card, "00D2010408654321FFFF12FFFF"), "6A80") << "digits after the end";
    EXPECT_EQ(Send(*card, "00D2010408654321FFFFFFFFFF"), "9000");
    card->Reset();
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    EXPECT_EQ(Send(*card, kRightPin), "63C2");
    EXPECT_EQ(Send(*card, "0020001008654321FFFFFFFFFF"), "9000");
}

TEST(FinancialCard, PinPadChangeVerifiesTheOldPinAndWritesTheNewOne)
{
    auto card = Make(testing::FinancialCard());
    const auto exchange = [&](const Bytes& command) { return card->Transmit(command); };
    const sim::PinPadSettings pad { "123456", "24681357" };
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    ASSERT_EQ(Send(*card, "00A402000200C2"), "9000");
    EXPECT_EQ(ToHex(sim::ExchangeThroughPinPad(
                  pad, *sim::ParseHex("0020001008F0F0F0F0F0F0F0F0"), exchange)),
        "9000");
    EXPECT_EQ(ToHex(static_cast<FinancialCard&>(*card).PinBlockForTesting()), "24681357FFFFFFFF");
    // The short form reaches the card with the pad's block, class byte 80 kept.
    EXPECT_EQ(
        ToHex(sim::ExchangeThroughPinPad({ "24681357", "" }, *sim::ParseHex("80200010"), exchange)),
        "9000");
}

TEST(FinancialCard, RecordsAreReadOneByOneOrAllFromARecordOnward)
{
    auto card = Make(testing::FinancialCard({ { "accounts", { "8220012345678901", nullptr } } }));
    EXPECT_EQ(Send(*card, "00B2010408"), "6986") << "no current file";
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    EXPECT_EQ(Send(*card, "00B0000010"), "00112233445566778899AABBCCDDEEFF9000");
    ASSERT_EQ(Send(*card, "00A40200021001"), "9000");
    EXPECT_EQ(Send(*card, "00B201040A"), "010838323200000000009000");
    EXPECT_EQ(Send(*card, "00B2010408"), "01083832320000009000") << "Le shortens the answer";
    EXPECT_EQ(Send(*card, "00B2030412"), "0310" + testing::Hex("8220012345678901") + "9000");
    EXPECT_EQ(Send(*card, "00B2040412"), "6A83") << "a missing record";
    // Records 1 (10 bytes), 2 (32) and 3 (18) one after the other.
    const std::string all = Send(*card, "00B20105000000");
    ASSERT_EQ(all.size(), 2 * (10 + 32 + 18 + 2));
    EXPECT_EQ(all.substr(2 * 10, 4), "021E");
    EXPECT_EQ(all.substr(2 * 44, 32), "38323230303132333435363738393031");
}

TEST(FinancialCard, UnderT0AnswersWaitForGetResponseAndExtendedLeIsRefused)
{
    auto card = Make(testing::FinancialCard({ { "protocol", "T0" } }));
    ASSERT_EQ(Send(*card, "00A4040008A000000172950001"), "9000") << "a selection has no data";
    ASSERT_EQ(Send(*card, kRightPin), "9000");
    const std::string data = host::WithdrawalCommandData(
        "2510", "00000000100000", "00000001", "12345678", "20240305070809", testing::kCardAccount);
    const std::string command = testing::TransactionCommand(data, "");
    EXPECT_EQ(Send(*card, command), "6113");
    EXPECT_EQ(Send(*card, "00C0000008"), "6C13") << "a wrong length is corrected, not lost";
    const std::string answer = Send(*card, "00C0000013");
    ASSERT_EQ(answer.size(), 2 * 21u);
    EXPECT_EQ(answer.substr(2, 16), "3030303030303031") << "SNUM 00000001";
    EXPECT_EQ(Send(*card, "00C0000013"), "6985") << "fetched only once";

    EXPECT_EQ(Send(*card, command), "6113");
    EXPECT_EQ(Send(*card, "00B0000010").substr(32), "9000") << "a short Le reads directly";
    EXPECT_EQ(Send(*card, "00C0000013"), "6985") << "another command drops the answer";

    ASSERT_EQ(Send(*card, "00A40200021001"), "9000");
    EXPECT_EQ(Send(*card, "00B20105000000"), "6700");
    EXPECT_EQ(Send(*card, "00B2010408"), "01083832320000009000");
}

// The card signs only after a right PIN since power-on, which a selection of the application does
// not undo; "transactionNeedsPin": false makes a card that signs without one.
TEST(FinancialCard, PinBoundCardSignsOnlyAfterTheRightPin)
{
    auto card = Make(testing::FinancialCard());
    const std::string command = "00E21080043132333400";
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    EXPECT_EQ(Send(*card, command), "6982");
    EXPECT_EQ(Send(*card, kWrongPin), "63C2");
    EXPECT_EQ(Send(*card, command), "6982");
    EXPECT_EQ(Send(*card, kRightPin), "9000");
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    EXPECT_EQ(Send(*card, command).substr(38), "9000");
    card->Reset();
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    EXPECT_EQ(Send(*card, command), "6982") << "a reset ends the session";

    auto unbound = Make(testing::FinancialCard({ { "transactionNeedsPin", false } }));
    ASSERT_EQ(Send(*unbound, kSelectApplication), "9000");
    EXPECT_EQ(Send(*unbound, command).substr(38), "9000");
}

TEST(FinancialCard, TransactionsCountTheSnumAndCarryAHostVerifiableTac)
{
    auto card = Make(testing::FinancialCard({ { "snum", 99999999 } }));
    const std::string data = host::WithdrawalCommandData(
        "2510", "00000000100000", "00000001", "12345678", "20240305070809", testing::kCardAccount);
    const std::string command = testing::TransactionCommand(data);
    EXPECT_EQ(Send(*card, command), "6985") << "no application selected";
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    ASSERT_EQ(Send(*card, kRightPin), "9000");

    const auto key = *sim::ParseHex(testing::kTacKeyHex);
    for (const std::string snum : { "99999999", "00000000" }) {
        const std::string answer = Send(*card, command);
        ASSERT_EQ(answer.size(), 2 * 21u);
        // Tag 40, SNUM, two zero bytes, the TAC (checked below) and 9000.
        EXPECT_EQ(answer.substr(0, 22) + answer.substr(38), "40" + testing::Hex(snum) + "00009000");
        const std::string tac = answer.substr(22, 16);
        EXPECT_TRUE(host::VerifyTac(key, snum, data, tac)) << snum;
        EXPECT_FALSE(host::VerifyTac(key, "00000002", data, tac));
        std::string altered = data;
        altered[20] = '9';
        EXPECT_FALSE(host::VerifyTac(key, snum, altered, tac));
        // The TAC text is read as exactly eight bytes, in either case.
        std::string lower = tac;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        EXPECT_TRUE(host::VerifyTac(key, snum, data, lower));
        EXPECT_FALSE(host::VerifyTac(key, snum, data, tac.substr(0, 15)));
        EXPECT_FALSE(host::VerifyTac(key, snum, data, tac + "0"));
        std::string notHex = tac;
        notHex[15] = 'G';
        EXPECT_FALSE(host::VerifyTac(key, snum, data, notHex));
    }
}

TEST(FinancialCard, ForcedAnswersReplaceTheCardsOwnForAsLongAsAsked)
{
    auto card = Make(testing::FinancialCard({ { "forcedAnswers",
        { { { "command", "00E2" }, { "answer", "6610" }, { "times", 1 } },
            { { "command", "00B203" }, { "answer", "6A81" }, { "file", "1002" } } } } }));
    ASSERT_EQ(Send(*card, kSelectApplication), "9000");
    ASSERT_EQ(Send(*card, kRightPin), "9000");
    EXPECT_EQ(Send(*card, "00E21080013100"), "6610");
    EXPECT_EQ(Send(*card, "00E21080013100").substr(38), "9000") << "only once";
    ASSERT_EQ(Send(*card, "00A40200021001"), "9000");
    EXPECT_EQ(Send(*card, "00B2030412").substr(36), "9000") << "the rule is for EF1002 only";
    ASSERT_EQ(Send(*card, "00A40200021002"), "9000");
    EXPECT_EQ(Send(*card, "00B2030412"), "6A81");
    EXPECT_EQ(Send(*card, "00B2030412"), "6A81") << "every time";
}

TEST(FinancialCard, ShippedProfilesLoadAndBadProfilesAreRefusedWithTheirField)
{
    const char* source = std::getenv("VELKOR_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    int profiles = 0;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::filesystem::path(source) / "sim" / "cards")) {
        std::ifstream file(entry.path());
        std::string error;
        EXPECT_TRUE(sim::MakeCard(nlohmann::json::parse(file), error)) << entry.path() << error;
        ++profiles;
    }
    EXPECT_GE(profiles, 3);

    for (const auto& [field, value] :
        std::vector<std::pair<std::string, nlohmann::json>> { { "pin", "12345" },
            { "pin", "12345x" }, { "tacKey", "0011" }, { "accounts", { "82200123456789012" } },
            { "forcedAnswers", { { { "command", "00" } } } }, { "transactionNeedsPin", 1 } }) {
        std::string error;
        EXPECT_FALSE(sim::MakeCard(testing::FinancialCard({ { field, value } }), error)) << field;
        EXPECT_NE(error.find(field), std::string::npos) << error;
    }
}

} // namespace
} // namespace velkor
