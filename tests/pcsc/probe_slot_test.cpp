#include <gtest/gtest.h>

#include "pcsc/reader_session.h"
#include "simulated_readers.h"

// Probing whether the connected card is still there.
namespace velkor {
namespace {

using nlohmann::json;
using testing::Session;

constexpr char kReader[] = "ACS ACR83U 00 00";

TEST(ProbeSlot, NeedsAContextAndASlotOfTheTable)
{
    testing::SimulatedReaders sim(json { { "readers", json::array() } });
    std::vector<uint8_t> atr { 1, 2, 3 };
    EXPECT_EQ(Session().ProbeSlot(atr, 0), pcsc::kNoContext);
    EXPECT_TRUE(atr.empty());
    EXPECT_EQ(Session().ProbeSlot(atr, pcsc::kSlotCount), pcsc::kUnavailable);
}

// The earlier exclusive connection still holds the card, so a new connection is a sharing
// violation: the earlier handle confirms the card, and once the card is pulled (pcscd's handle
// still holds the empty reader) its status tells the card is gone.
TEST(ProbeSlot, HeldOrPulledCardIsReportedThroughTheEarlierConnection)
{
    testing::SimulatedReaders sim(json { { "readers",
        json::array({ { { "name", kReader },
            { "card", { { "atr", "3B0212345678" }, { "protocol", "T0" } } } } }) } });
    testing::WaitRecorder waits;
    int32_t slot = -1;
    std::vector<uint8_t> atr;
    ASSERT_EQ(Session().ConnectSlot(u"ACS ACR83U 00 00", slot, atr), 0);
    const SCARDHANDLE earlier = Session().SlotAt(0).card;

    atr.clear();
    EXPECT_EQ(Session().ProbeSlot(atr, 0), 0);
    EXPECT_EQ(atr, (std::vector<uint8_t> { 0x3B, 0x02, 0x12, 0x34, 0x56, 0x78 }));
    EXPECT_EQ(Session().SlotAt(0).card, earlier);
    EXPECT_TRUE(Session().SlotAt(0).connected);
    EXPECT_EQ(Session().SlotAt(0).protocol, pcsc::Protocol::T0);

    ASSERT_EQ(sim.RemoveCard(kReader), 0);
    EXPECT_EQ(Session().ProbeSlot(atr, 0), pcsc::kRemovedCard);
    EXPECT_TRUE(atr.empty());
    EXPECT_TRUE(waits.waits.empty());
}

} // namespace
} // namespace velkor
