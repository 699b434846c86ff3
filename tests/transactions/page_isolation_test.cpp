#include <gtest/gtest.h>

#include <memory>

#include "card/card_test_support.h"
#include "control/velkor_ctrl.h"
#include "pcsc/simulated_readers.h"
#include "transaction_test_support.h"

// Each page has its own PC/SC context and card handles: it never signs with a PIN another page
// verified, and its calls and closing leave the others alone. Cards sign only after the PIN.
namespace velkor {
namespace {

using nlohmann::json;
using testing::FixedClock;
using testing::PinBeforeTransactionsCard;
using testing::Readers;
using testing::SimulatedReaders;
using testing::WaitRecorder;
using testing::Withdraw;

const Text kPad = u"ACS ACR83U 00 00";
const Text kPlain = u"Generic Reader 01";

class PageIsolation : public ::testing::Test {
protected:
    WaitRecorder waits;
    FixedClock clock;
    SimulatedReaders sim { Readers(PinBeforeTransactionsCard(), PinBeforeTransactionsCard()) };
    CVelkorCtrl pageA;
    CVelkorCtrl pageB;
};

TEST_F(PageIsolation, AnotherPageNeitherUsesNorDisturbsThisPagesVerifiedCard)
{
    ASSERT_EQ(pageA.ConnectCard(kPad), 0);
    ASSERT_EQ(pageA.VerifyPIN(u"123456"), 0);

    EXPECT_NE(Withdraw(pageB), 0) << "signed through the other page's connection";
    EXPECT_EQ(pageB.GetRespSNUM(), u"");
    EXPECT_EQ(pageB.ListReaders(), 0);
    EXPECT_EQ(pageB.ConnectCard(kPad), pcsc::kSharingViolation) << "the card is the other page's";
    EXPECT_NE(Withdraw(pageB), 0);
    EXPECT_EQ(pageB.DisconnectCard(), 0);
    EXPECT_EQ(pageB.DisconnectReader(), 0);

    EXPECT_EQ(Withdraw(pageA), 0) << "the other page's calls dropped this page's session";
    EXPECT_EQ(pageA.GetRespSNUM(), u"00000001");
}

TEST_F(PageIsolation, ACardAnotherPageUsedIsResetBeforeThisPageUsesIt)
{
    // A third party holding the reader makes page A fall back to a shared connection, which page
    // B can then share once the third party has gone.
    int32_t slot = 0;
    std::vector<uint8_t> atr;
    ASSERT_EQ(testing::Session().ConnectSlot(kPad, slot, atr, pcsc::kShareShared), 0);
    ASSERT_EQ(pageA.ConnectCard(kPad), 0);
    testing::Session().DisconnectSlot(slot, pcsc::kLeaveCard);
    ASSERT_EQ(pageA.VerifyPIN(u"123456"), 0);

    ASSERT_EQ(pageB.ConnectCard(kPad), 0);
    EXPECT_NE(Withdraw(pageB), 0) << "the other page's PIN was still verified on the card";
    EXPECT_NE(Withdraw(pageA), 0) << "the reset went unnoticed by the page that verified";
    EXPECT_EQ(pageB.VerifyPIN(u"123456"), 0);
    EXPECT_EQ(Withdraw(pageB), 0);
}

TEST(PageIsolationReset, AFailedResetLeavesNoConnectionBehind)
{
    WaitRecorder waits;
    json config = Readers(PinBeforeTransactionsCard());
    config["faults"] = { { { "call", "SCardReconnect" }, { "result", 0x80100014 } } };
    SimulatedReaders sim(config);
    CVelkorCtrl pageA;
    CVelkorCtrl pageB;
    ASSERT_EQ(pageA.ConnectCard(kPad), 0);
    ASSERT_EQ(pageA.VerifyPIN(u"123456"), 0);
    pageA.Session().DisconnectSlot(pageA.State().readerSlotIndex, pcsc::kLeaveCard);

    EXPECT_EQ(pageB.ConnectCard(kPad), static_cast<int32_t>(0x80100014U));
    ASSERT_EQ(pageB.ConnectCard(kPad), 0)
        << "the connection whose reset failed still holds the card";
    EXPECT_NE(Withdraw(pageB), 0);
}

TEST_F(PageIsolation, ClosingAPageLeavesTheOthersWorking)
{
    auto closing = std::make_unique<CVelkorCtrl>();
    ASSERT_EQ(closing->ConnectCard(kPlain), 0);
    ASSERT_EQ(pageB.ConnectCard(kPad), 0);
    ASSERT_EQ(pageB.VerifyPIN(u"123456"), 0);
    closing.reset();

    EXPECT_TRUE(pcsc::IsPcscApiLoaded()) << "unloaded under another page";
    EXPECT_EQ(Withdraw(pageB), 0);
    EXPECT_EQ(pageB.DisconnectReader(), 0);
    EXPECT_FALSE(pcsc::IsPcscApiLoaded()) << "the last page lets the binding go";
}

} // namespace
} // namespace velkor
