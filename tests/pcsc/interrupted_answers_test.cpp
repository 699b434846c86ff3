#include <gtest/gtest.h>

#include "pcsc/apdu_transmit.h"
#include "pcsc/reader_session.h"
#include "simulated_readers.h"

// Answers that arrive longer than announced, or not at all: a card pulled or pcscd gone between
// a command and its GET RESPONSE, and an empty reader probed beside a held card.
namespace velkor {
namespace {

using nlohmann::json;
using testing::ScriptedCard;
using testing::SimulatedReaders;
using testing::WaitRecorder;

constexpr char kReader[] = "Scripted Reader 00";
constexpr char kEmpty[] = "Empty Reader 01";
const std::vector<uint8_t> kAid { 0xA0, 0x00, 0x00, 0x00, 0x03, 0x10, 0x10 };
constexpr pcsc::ApduHeader kSelect { 0x00, 0xA4, 0x04, 0x00 };
constexpr char kSelectHex[] = "00A4040007A0000000031010";
constexpr int32_t kNoService = static_cast<int32_t>(0x8010001DU);

class InterruptedAnswers : public ::testing::Test {
protected:
    // A T=0 card announcing four bytes; `extra` adds faults or events to the configuration.
    void Start(const std::string& getResponseAnswer, json extra = json::object())
    {
        json config = extra;
        config["readers"] = json::array(
            { { { "name", kReader },
                  { "card",
                      ScriptedCard("T0",
                          { { kSelectHex, "6104" }, { "00C0000004", getResponseAnswer } }) } },
                { { "name", kEmpty }, { "card", nullptr } } });
        sim_.emplace(config);
        int32_t slot = -1;
        std::vector<uint8_t> atr;
        ASSERT_EQ(pcsc::ConnectSlot(u"Scripted Reader 00", slot, atr), 0);
    }
    // Sends the SELECT; `response` starts filled with EE so that stale bytes show.
    int32_t Select()
    {
        le_ = 0;
        response_.bytes.fill(0xEE);
        return pcsc::TransmitApdu(0, kSelect, kAid, &le_, &response_);
    }

    WaitRecorder waits_;
    std::optional<SimulatedReaders> sim_;
    uint8_t le_ = 0;
    pcsc::ApduResponse response_;
};

TEST_F(InterruptedAnswers, GetResponseKeepsNoMoreThanTheAnnouncedLength)
{
    Start("01020304AABBCCDD9000");
    EXPECT_EQ(Select(), 0);
    EXPECT_EQ(le_, 4);
    EXPECT_EQ(std::vector<uint8_t>(response_.Data().begin(), response_.Data().end()),
        (std::vector<uint8_t> { 1, 2, 3, 4 }));
}

TEST_F(InterruptedAnswers, CardPulledOrServiceGoneBeforeGetResponseGivesThatErrorAndNoData)
{
    const json pulled = { { "events",
        json::array(
            { { { "call", "SCardTransmit" }, { "action", "remove" }, { "reader", kReader } } }) } };
    const json serviceGone = { { "faults",
        json::array(
            { { { "call", "SCardTransmit" }, { "result", kNoService }, { "after", 1 } } }) } };
    for (const auto& [extra, expected] :
        { std::pair { pulled, pcsc::kRemovedCard }, std::pair { serviceGone, kNoService } }) {
        SCOPED_TRACE(extra.dump());
        Start("010203049000", extra);
        EXPECT_EQ(Select(), expected);
        EXPECT_EQ(le_, 0);
        EXPECT_EQ(response_.length, 0u);
        sim_.reset();
    }
}

// pcsc-lite answers a connection to an empty reader with "no smart card"; taking that for any
// other error would reset the held card of the other reader and report it as this one's.
TEST_F(InterruptedAnswers, EmptyReaderProbedBesideAHeldCardHasNoSmartCard)
{
    Start("9000");
    std::vector<uint8_t> atr;
    EXPECT_EQ(pcsc::ProbeSlot(atr, 1), pcsc::kNoSmartcard);
    EXPECT_TRUE(atr.empty());
}

} // namespace
} // namespace velkor
