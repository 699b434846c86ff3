#include <gtest/gtest.h>

#include <sstream>

#include "apdu_redaction.h"
#include "card_factory.h"
#include "hex.h"
#include "pin_pad.h"
#include "scripted_card.h"
#include "support/hex_bytes.h"

namespace velkor::sim {
namespace {

constexpr auto H = testing::FromHex;

TEST(ScriptedCard, AnswersInOrderAndReportsStrayCommandsWithoutConsumingTheEntry)
{
    std::ostringstream diagnostics;
    ScriptedCard card(H("3B00"), CardProtocol::T0,
        { { H("00A4040000"), H("9000") }, { H("00B0000002"), H("AABB9000") } }, &diagnostics);

    EXPECT_EQ(card.Transmit(H("00A4040000")), H("9000"));
    EXPECT_EQ(card.Transmit(H("00B0000003")), H("6F00"));
    EXPECT_NE(diagnostics.str().find("step 2"), std::string::npos);
    EXPECT_NE(
        diagnostics.str().find("expected 00B0000002, received 00B0000003"), std::string::npos);
    EXPECT_EQ(card.Transmit(H("00B0000002")), H("AABB9000"));
    EXPECT_EQ(card.Transmit(H("00B0000002")), H("6F00"));
    EXPECT_NE(diagnostics.str().find("step 3: past the end"), std::string::npos);

    const auto progress = card.Progress();
    EXPECT_EQ(progress->consumed, 2u);
    EXPECT_EQ(progress->total, 2u);
    EXPECT_EQ(progress->mismatches, 2u);
}

TEST(ScriptedCard, MismatchReportNeverShowsPinData)
{
    std::ostringstream diagnostics;
    ScriptedCard card(H("3B00"), CardProtocol::T0,
        { { H("0020001008123456FFFFFFFFFF"), H("9000") } }, &diagnostics);
    EXPECT_EQ(card.Transmit(H("0020001008654321FFFFFFFFFF")), H("6F00"));
    const std::string report = diagnostics.str();
    EXPECT_EQ(report.find("123456"), std::string::npos);
    EXPECT_EQ(report.find("654321"), std::string::npos);
    EXPECT_NE(report.find("0020001008****************"), std::string::npos);
    EXPECT_EQ(RedactedHex(H("00A404000200C2")), "00A404000200C2");
}

TEST(CardFactory, ReadsTheSharedFieldsAndNormalisesScriptHex)
{
    std::string error;
    auto card = MakeCard(nlohmann::json::parse(R"({"atr": "3b 80 80 01 01", "protocol": "T0",
        "futureField": 1, "script": [{"command": "00a4 04 00 00", "response": "90 00"}]})"),
        error);
    ASSERT_NE(card, nullptr) << error;
    EXPECT_EQ(card->Atr(), H("3B80800101"));
    EXPECT_EQ(card->Protocol(), CardProtocol::T0);
    EXPECT_EQ(card->Transmit(H("00A4040000")), H("9000"));

    card = MakeCard(nlohmann::json::parse(R"({"atr": "3B00"})"), error);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->Protocol(), CardProtocol::T1);
}

TEST(CardFactory, RejectsUnusableDescriptionsNamingTheField)
{
    const struct {
        const char* json;
        const char* mentions;
    } cases[] = {
        { R"({"protocol": "T1"})", "card.atr" },
        { R"({"atr": "3B0"})", "card.atr" },
        { R"({"atr": "3B00", "protocol": "T=2"})", "card.protocol" },
        { R"({"atr": "3B00", "kind": "magnetic"})", "magnetic" },
        { R"({"atr": "3B00", "script": [{"command": "00A4", "response": "9000"}]})",
            "script[0].command" },
        { R"({"atr": "3B00", "script": [{"command": "00A40400", "response": "90"}]})",
            "script[0].response" },
        { R"({"atr": "3B00", "script": [{"command": "00A4040G", "response": "9000"}]})",
            "script[0].command" },
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(MakeCard(nlohmann::json::parse(c.json), error), nullptr) << c.json;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.json << " -> " << error;
    }
}

TEST(PinPad, FillsBlankBlocksWithWhatIsTypedOnThePad)
{
    const PinPadSettings pad { "123456", "654321" };
    std::vector<Bytes> sent;
    const auto card = [&sent](const Bytes& command) {
        sent.push_back(command);
        return H("9000");
    };

    for (const char* command : { "0020001008FFFFFFFFFFFFFFFF", "80200010",
             "0020001008F0F0F0F0F0F0F0F0", "0020001008111111FFFFFFFFFF", "00B0000010" }) {
        EXPECT_EQ(ExchangeThroughPinPad(pad, H(command), card), H("9000")) << command;
    }
    // The pad's PIN in the blank block, its new PIN in a blank change, typed digits left alone.
    EXPECT_EQ(sent,
        (std::vector<Bytes> { H("0020001008123456FFFFFFFFFF"), H("8020001008123456FFFFFFFFFF"),
            H("0020001008123456FFFFFFFFFF"), H("00D2010408654321FFFFFFFFFF"),
            H("0020001008111111FFFFFFFFFF"), H("00B0000010") }));
}

// A signed command goes to the card only after the pad's PIN was verified there.
TEST(PinPad, SignedCommandsWaitForTheVerifiedPadPin)
{
    std::vector<Bytes> sent;
    const char* verifyAnswer = "9000";
    const auto card = [&](const Bytes& command) {
        sent.push_back(command);
        return H(
            command[1] == 0x20 ? verifyAnswer : "01303030303030303100000011223344556677889000");
    };
    const Bytes signedWrite = H("00E2108003414243");
    EXPECT_EQ(ExchangeThroughPinPad({ "123456", "" }, signedWrite, card).size(), 22u);
    EXPECT_EQ(sent, (std::vector<Bytes> { H("0020001008123456FFFFFFFFFF"), signedWrite }));

    sent.clear();
    verifyAnswer = "63C1";
    EXPECT_EQ(ExchangeThroughPinPad({ "999999", "" }, signedWrite, card), H("63C1"));
    EXPECT_EQ(sent.size(), 1u) << "a refused PIN stops the command";
    sent.clear();
    EXPECT_EQ(ExchangeThroughPinPad({ "", "" }, signedWrite, card), H("6401"));
    EXPECT_TRUE(sent.empty()) << "cancelled on the pad: nothing reaches the card";
}

} // namespace
} // namespace velkor::sim
