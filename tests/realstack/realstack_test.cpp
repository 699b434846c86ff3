#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "control/velkor_ctrl.h"
#include "pcsc/apdu_transmit.h"
#include "real_stack.h"

// The control's session methods through the real card stack: pcscd, the vpcd reader driver and
// velkor-cardsim. The steps build on each other and share one pcscd, so they run in order in one
// process.
namespace velkor::realstack {
namespace {

constexpr const char* kCard = R"({
  "atr": "3B80800101", "protocol": "T1",
  "script": [
    { "command": "00A4040008A00000017295000100", "response": "9000" },
    { "command": "00B0000010", "response": "00112233445566778899AABBCCDDEEFF9000" } ] })";

class RealCardStack : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        unsetenv("VELKOR_PCSC_LIBRARY"); // the system's libpcsclite.so.1
        stack_ = std::make_unique<RealStack>();
        std::string error;
        if (!stack_->Start(error) || !stack_->InsertCard(kCard, error)) {
            startError_ = error;
        }
    }
    static void TearDownTestSuite() { stack_.reset(); }

    void SetUp() override { ASSERT_TRUE(startError_.empty()) << startError_; }

    static std::unique_ptr<RealStack> stack_;
    static std::string startError_;
    CVelkorCtrl control_;
};

std::unique_ptr<RealStack> RealCardStack::stack_;
std::string RealCardStack::startError_;

TEST_F(RealCardStack, ListsReadersConnectsAndReadsTheAtr)
{
    EXPECT_EQ(control_.ListReaders(), 0);
    EXPECT_EQ(control_.GetReaderNumber(), 2);
    EXPECT_EQ(control_.GetReaderName(0), u"Virtual PCD 00 00");
    EXPECT_EQ(control_.GetReaderName(1), u"Virtual PCD 00 01");
    EXPECT_EQ(control_.ConnectCard(Text(u"Virtual PCD 00 00")), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"3B80800101");
    EXPECT_EQ(control_.CheckCardInsert(), 0);
    // vpcd's reader has no vendor attributes: the read fails and the text is empty.
    EXPECT_EQ(control_.GetReaderStatus(0), u"");
    // The empty slot of vpcd.
    EXPECT_LT(control_.ConnectCard(Text(u"Virtual PCD 00 01")), 0);
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

TEST_F(RealCardStack, TransmitsCommandsToTheCard)
{
    ASSERT_EQ(control_.ConnectCard(Text(u"Virtual PCD 00 00")), 0);
    const int32_t slot = control_.State().ReaderSlotIndex;
    const uint8_t application[] = { 0xA0, 0x00, 0x00, 0x01, 0x72, 0x95, 0x00, 0x01 };
    uint8_t le = 0;
    pcsc::ApduResponse response;
    EXPECT_EQ(pcsc::TransmitApdu(slot, { 0x00, 0xA4, 0x04, 0x00 }, application, &le, &response), 0);

    le = 0x10;
    EXPECT_EQ(pcsc::TransmitApdu(slot, { 0x00, 0xB0, 0x00, 0x00 }, {}, &le, &response), 0);
    ASSERT_EQ(response.length, 16u);
    EXPECT_EQ(response.bytes[0], 0x00);
    EXPECT_EQ(response.bytes[15], 0xFF);
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

TEST_F(RealCardStack, SeesARemovedCardAndWorksAgainAfterReinsertion)
{
    ASSERT_EQ(control_.ListReaders(), 0);
    ASSERT_EQ(control_.ConnectCard(Text(u"Virtual PCD 00 00")), 0);
    std::string error;
    ASSERT_TRUE(stack_->RemoveCard(error)) << error;
    EXPECT_EQ(control_.CheckCardInsert(), 1);
    EXPECT_LT(control_.ConnectCard(Text(u"Virtual PCD 00 00")), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"");

    ASSERT_TRUE(stack_->ReinsertCard(error)) << error;
    EXPECT_EQ(control_.ConnectCard(Text(u"Virtual PCD 00 00")), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"3B80800101");
    EXPECT_EQ(control_.CheckCardInsert(), 0);
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

TEST_F(RealCardStack, StoppedServiceGivesErrorsAndARestartWorksAgain)
{
    ASSERT_EQ(control_.ListReaders(), 0);
    ASSERT_EQ(control_.ConnectCard(Text(u"Virtual PCD 00 00")), 0);
    stack_->StopPcscd();

    EXPECT_EQ(control_.CheckCardInsert(), -1);
    EXPECT_EQ(control_.ListReaders(), -1);
    const int32_t connected = control_.ConnectCard(Text(u"Virtual PCD 00 00"));
    EXPECT_TRUE(connected == -1 || connected == static_cast<int32_t>(0x8010001DU)) << connected;
    EXPECT_EQ(control_.GetCardStatus(), u"");

    std::string error;
    ASSERT_TRUE(stack_->StartPcscd(error)) << error;
    ASSERT_TRUE(stack_->ReinsertCard(error)) << error; // the card reconnects by itself
    EXPECT_EQ(control_.ListReaders(), 0);
    EXPECT_EQ(control_.GetReaderNumber(), 2);
    EXPECT_EQ(control_.ConnectCard(Text(u"Virtual PCD 00 00")), 0);
    EXPECT_EQ(control_.GetCardStatus(), u"3B80800101");
    EXPECT_EQ(control_.DisconnectReader(), 0);
}

} // namespace
} // namespace velkor::realstack
