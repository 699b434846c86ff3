#include <gtest/gtest.h>

#include "pcsc/apdu_transmit.h"
#include "pcsc/reader_session.h"
#include "simulated_readers.h"

// The exact command bytes under T=0 and T=1, and the status-word rules, checked against cards
// that accept only the scripted commands (anything else is answered 6F00).
namespace velkor {
namespace {

using nlohmann::json;
using testing::ScriptedCard;
using testing::Session;
using testing::SimulatedReaders;
using testing::WaitRecorder;

constexpr char kReader[] = "Scripted Reader 00";
const std::vector<uint8_t> kAid { 0xA0, 0x00, 0x00, 0x00, 0x03, 0x10, 0x10 };
constexpr pcsc::ApduHeader kSelect { 0x00, 0xA4, 0x04, 0x00 };
constexpr pcsc::ApduHeader kReadRecord { 0x00, 0xB2, 0x01, 0x0C };
const std::vector<uint8_t> kNoData;

class Transmit : public ::testing::Test {
protected:
    // Loads a card with the script and connects it on slot 0.
    void Start(const json& card)
    {
        sim_.emplace(
            json { { "readers", json::array({ { { "name", kReader }, { "card", card } } }) } });
        int32_t slot = -1;
        std::vector<uint8_t> atr;
        ASSERT_EQ(Session().ConnectSlot(u"Scripted Reader 00", slot, atr), 0);
        ASSERT_EQ(slot, 0);
    }
    void ExpectScriptDone()
    {
        const auto progress = sim_->Progress(kReader);
        EXPECT_EQ(progress.mismatches, 0u);
        EXPECT_EQ(progress.consumed, progress.total);
    }
    std::vector<uint8_t> Bytes() const
    {
        return { response.Data().begin(), response.Data().end() };
    }
    // The status of one exchange on slot 0; the arguments after the header are TransmitApdu's.
    template <typename... Args> int32_t Send(const pcsc::ApduHeader& header, Args&&... args)
    {
        return pcsc::TransmitApdu(Session().Slot(0), header, std::forward<Args>(args)...).Code();
    }

    uint8_t le = 0;
    pcsc::ApduResponse response;
    WaitRecorder waits_;
    std::optional<SimulatedReaders> sim_;
};

TEST_F(Transmit, T0SendsLeOnlyWithoutDataAndResendsWithTheLengthA6CxxAsksFor)
{
    Start(ScriptedCard("T0",
        { { "00B2010C00", "6C08" }, { "00B2010C08", "01020304050607089000" },
            { "00A4040007A0000000031010", "9000" }, { "00B2010C", "6A83" } }));
    EXPECT_EQ(Send(kReadRecord, kNoData, le, response), 0);
    EXPECT_EQ(le, 8);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t> { 1, 2, 3, 4, 5, 6, 7, 8 }));

    le = 0x20;
    EXPECT_EQ(Send(kSelect, kAid, le, response), 0) << "no Le after data";
    EXPECT_EQ(Send(kReadRecord, kNoData), 0x6A83);
    ExpectScriptDone();
}

TEST_F(Transmit, T1SendsLeOnTheFirstAttemptOnly)
{
    Start(ScriptedCard("T1",
        { { "00A4040007A000000003101000", "6C10" }, { "00A4040007A0000000031010", "AABB9000" },
            { "00A4040007A0000000031010", "9000" } }));
    EXPECT_EQ(Send(kSelect, kAid, le, response), 0);
    EXPECT_EQ(le, 2);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t> { 0xAA, 0xBB }));
    EXPECT_EQ(Send(kSelect, kAid), 0);
    ExpectScriptDone();
}

TEST_F(Transmit, RepeatedWrongLengthAnswersEndAfterAFewResends)
{
    Start(ScriptedCard("T0",
        { { "00B2010C00", "6C08" }, { "00B2010C08", "6C08" }, { "00B2010C08", "6C08" },
            { "00B2010C08", "6C08" }, { "00B2010C", "6C08" } }));
    EXPECT_EQ(Send(kReadRecord, kNoData, le, response), 0x6C08);
    // Without a response buffer nobody could take the data: the status word comes back at once.
    EXPECT_EQ(Send(kReadRecord, kNoData), 0x6C08);
    ExpectScriptDone();
}

TEST_F(Transmit, AnnouncedAnswerIsFetchedWhateverItsStatusWord)
{
    const std::string sixteen = "000102030405060708090A0B0C0D0E0F";
    Start(ScriptedCard("T0",
        { { "00A4040007A0000000031010", "6110" }, { "00C0000010", sixteen + "6283" },
            { "00A4040007A0000000031010", "6110" }, { "00C0000020", sixteen + "9000" } }));
    EXPECT_EQ(Send(kSelect, kAid, response), 0);
    ASSERT_EQ(response.length, 16u);
    EXPECT_EQ(response.bytes[15], 0x0F);

    le = 0x20; // the larger of the caller's Le and the announced length is asked for
    EXPECT_EQ(Send(kSelect, kAid, le, response), 0);
    EXPECT_EQ(le, 16);
    ExpectScriptDone();
}

TEST_F(Transmit, ShortFetchedAnswerDeliversOnlyWhatArrived)
{
    Start(ScriptedCard("T0",
        { { "00A4040007A0000000031010", "6110" }, { "00C0000010", "CAFEBABE9000" },
            { "00A4040007A0000000031010", "6110" }, { "00C0000010", "6F00" } }));
    response.bytes.fill(0xEE);
    EXPECT_EQ(Send(kSelect, kAid, le, response), 0);
    EXPECT_EQ(le, 4);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t> { 0xCA, 0xFE, 0xBA, 0xBE }));

    // Nothing but a status word: no data at all.
    le = 0x00;
    EXPECT_EQ(Send(kSelect, kAid, le, response), 0);
    EXPECT_EQ(le, 0);
    EXPECT_EQ(response.length, 0u);
    ExpectScriptDone();
}

TEST_F(Transmit, StatusWordsComeBackAsNumbersWithOrWithoutData)
{
    Start(ScriptedCard("T1",
        { { "00B2010C00", "6A82" }, { "00B2010C00", "6700" }, { "00B2010C00", "6620" },
            { "00B2010C00", "11226283" }, { "00B2010C", "11229000" } }));
    const pcsc::ApduResult refused
        = pcsc::TransmitApdu(Session().Slot(0), kReadRecord, {}, le, response);
    EXPECT_EQ(refused.Code(), 0x6A82);
    EXPECT_EQ(refused.pcscResult, 0) << "the card answered: no PC/SC error";
    EXPECT_EQ(refused.statusWord, pcsc::sw::kFileNotFound);
    EXPECT_FALSE(refused.Succeeded());
    EXPECT_EQ(Send(kReadRecord, kNoData, le, response), 0x6700);
    EXPECT_EQ(Send(kReadRecord, kNoData, le, response), 0x6620);
    EXPECT_EQ(Send(kReadRecord, kNoData, le, response), 0x6283);
    EXPECT_EQ(le, 2);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t> { 0x11, 0x22 }));
    // Data the caller did not ask for (no Le) is an error.
    EXPECT_EQ(Send(kReadRecord, kNoData, response), pcsc::kUnavailable);
    // Arguments that would not fit the command or the slot table never reach the card.
    EXPECT_EQ(Send(kSelect, std::vector<uint8_t>(256), le), pcsc::kUnavailable);
    const pcsc::ApduResult outside = pcsc::TransmitApdu(Session().Slot(16), kSelect, kAid, le);
    EXPECT_EQ(outside.Code(), pcsc::kUnavailable);
    EXPECT_EQ(outside.statusWord, 0) << "no card answer behind a refused argument";
    ExpectScriptDone();
}

TEST_F(Transmit, ExtendedLengthIsSentAsThreeBytesAndTheAnswerKeptWhole)
{
    const std::string data(2 * 300, 'A');
    Start(ScriptedCard("T1",
        { { "00B2010C000140", data + "9000" }, { "00A4040007A0000000031010000000", "6A82" } }));
    uint32_t expected = 0x10140; // only the low 16 bits are sent
    pcsc::ApduExtendedAnswer answer;
    EXPECT_EQ(
        pcsc::TransmitApduExtended(Session().Slot(0), kReadRecord, {}, expected, answer).Code(), 0);
    EXPECT_EQ(expected, 300u);
    EXPECT_EQ(answer.length, 302u);
    EXPECT_EQ(answer.bytes[299], 0xAA);
    EXPECT_EQ(answer.bytes[300], 0x90);

    expected = 0;
    EXPECT_EQ(pcsc::TransmitApduExtended(Session().Slot(0), kSelect, kAid, expected, answer).Code(),
        0x6A82);
    EXPECT_EQ(expected, 0u);
    ExpectScriptDone();
}

TEST_F(Transmit, ExtendedLengthUnderT0OnlyWithoutData)
{
    Start(ScriptedCard(
        "T0", { { "00B2010C000020", "01029000" }, { "00A4040007A0000000031010", "9000" } }));
    uint32_t expected = 0x20;
    pcsc::ApduExtendedAnswer answer;
    EXPECT_EQ(
        pcsc::TransmitApduExtended(Session().Slot(0), kReadRecord, {}, expected, answer).Code(), 0);
    EXPECT_EQ(expected, 2u);
    EXPECT_EQ(
        pcsc::TransmitApduExtended(Session().Slot(0), kSelect, kAid, expected, answer).Code(), 0);
    ExpectScriptDone();
}

} // namespace
} // namespace velkor
