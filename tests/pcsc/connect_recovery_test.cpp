#include <gtest/gtest.h>

#include "pcsc/apdu_transmit.h"
#include "pcsc/reader_session.h"
#include "simulated_readers.h"

// How a connection recovers from removed, unresponsive and shared cards, and which waits it takes
// on each way.
namespace velkor {
namespace {

using nlohmann::json;
using testing::Session;
using testing::SimulatedReaders;
using testing::WaitRecorder;

constexpr char kPinPad[] = "ACS ACR83U 00 00";
constexpr char kEmpty[] = "Empty Reader 01";
constexpr char kSecond[] = "Second Reader 02";
constexpr char kAtrHex[] = "3B8F8001804F0CA000000306030001000000006A";
const std::vector<uint8_t> kAtr { 0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00, 0x03,
    0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x6A };

constexpr int32_t Code(uint32_t value)
{
    return static_cast<int32_t>(value);
}
constexpr int32_t kNoSmartcard = Code(0x8010000C);
constexpr int32_t kUnknownError = Code(0x80100014);

json Config(json faults = json::array())
{
    const json card = { { "atr", kAtrHex }, { "protocol", "T1" } };
    return { { "readers",
                 json::array({ { { "name", kPinPad }, { "card", card } },
                     { { "name", kEmpty }, { "card", nullptr } },
                     { { "name", kSecond }, { "card", card } } }) },
        { "faults", std::move(faults) } };
}

json Fault(const char* call, uint32_t result, int times = 1, int after = 0)
{
    return { { "call", call }, { "result", Code(result) }, { "times", times }, { "after", after } };
}

struct Connection {
    int32_t result = 0;
    int32_t slot = -5; // what the caller had before
    std::vector<uint8_t> atr;
};

Connection Connect(const std::u16string& reader)
{
    Connection connection;
    connection.result = Session().ConnectSlot(reader, connection.slot, connection.atr);
    return connection;
}

TEST(ConnectSlot, FirstConnectionListsReadersAndReportsTheSlotAndAtr)
{
    SimulatedReaders sim(Config());
    WaitRecorder waits;
    const Connection connection = Connect(u"Second Reader 02");
    ASSERT_EQ(connection.result, 0);
    EXPECT_EQ(connection.slot, 2);
    EXPECT_EQ(connection.atr, kAtr);
    EXPECT_TRUE(waits.waits.empty());
    const pcsc::ReaderSlot& slot = Session().SlotAt(2);
    EXPECT_EQ(slot.name, u"Second Reader 02");
    EXPECT_TRUE(slot.connected);
    EXPECT_EQ(slot.protocol, pcsc::Protocol::T1);
    EXPECT_NE(slot.card, 0);
    EXPECT_EQ(Session().CurrentCardHandle(), slot.card);
    EXPECT_EQ(Session().SlotAt(0).name, u"ACS ACR83U 00 00");
}

TEST(ConnectSlot, RemovedOrUnresponsiveCardGetsOneMoreAttemptUnderANewContext)
{
    {
        SimulatedReaders sim(Config({ Fault("SCardConnect", 0x80100069) }));
        WaitRecorder waits;
        const Connection connection = Connect(u"ACS ACR83U 00 00");
        EXPECT_EQ(connection.result, 0);
        EXPECT_EQ(connection.atr, kAtr);
        EXPECT_EQ(waits.waits, (std::vector<int> { 20, 20 }));
        EXPECT_TRUE(Session().ContextEstablished());
    }
    {
        SimulatedReaders sim(Config({ Fault("SCardConnect", 0x80100066) }));
        WaitRecorder waits;
        const Connection connection = Connect(u"ACS ACR83U 00 00");
        EXPECT_EQ(connection.result, 0);
        EXPECT_EQ(waits.waits, (std::vector<int> { 10, 20 }));
    }
}

TEST(ConnectSlot, SecondFailureFallsBackToASharedConnectionOfTheListedReader)
{
    SimulatedReaders sim(Config({ Fault("SCardConnect", 0x80100069, 2) }));
    WaitRecorder waits;
    const Connection connection = Connect(u"ACS ACR83U 00 00");
    EXPECT_EQ(connection.result, 0);
    EXPECT_EQ(connection.slot, 0);
    EXPECT_EQ(connection.atr, kAtr);
    EXPECT_EQ(waits.waits, (std::vector<int> { 20, 20 }));
    // The connection is shared: another shared one is admitted.
    SCARDHANDLE other = 0;
    DWORD protocol = 0;
    SCARDCONTEXT context = 0;
    ASSERT_EQ(pcsc::Api().EstablishContext(context), 0);
    EXPECT_EQ(pcsc::Api().Connect(context, kPinPad, SCARD_SHARE_SHARED, other, protocol), 0);
    pcsc::Api().ReleaseContext(context);
}

// Each way to a shared connection must leave the reader open to the next probe and connection:
// pcscd makes every connection wait, without end, while any handle holds a transaction on the
// reader (the simulator counts such a connection and fails the test).
TEST(ConnectSlot, EveryRecoveryPathLeavesTheReaderConnectable)
{
    struct Path {
        const char* name;
        json faults;
        bool anotherApplicationHoldsTheCard;
    };
    const Path paths[] = {
        { "connection refused twice as removed",
            json::array({ Fault("SCardConnect", 0x80100069, 2) }), false },
        { "earlier connection found dead", json::array({ Fault("SCardStatus", 0x80100069, 2, 1) }),
            false },
        { "card shared with another application", json::array(), true },
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        SimulatedReaders sim(Config(path.faults));
        WaitRecorder waits;
        SCARDCONTEXT otherContext = 0;
        if (path.anotherApplicationHoldsTheCard) {
            ASSERT_EQ(pcsc::LoadPcscApi(), 0);
            ASSERT_EQ(pcsc::Api().EstablishContext(otherContext), 0);
            SCARDHANDLE other = 0;
            DWORD protocol = 0;
            ASSERT_EQ(
                pcsc::Api().Connect(otherContext, kPinPad, SCARD_SHARE_SHARED, other, protocol), 0);
        } else if (path.faults[0]["call"] == "SCardStatus") {
            ASSERT_EQ(Connect(u"ACS ACR83U 00 00").result, 0); // its status read is the first
        }
        ASSERT_EQ(Connect(u"ACS ACR83U 00 00").result, 0);

        std::vector<uint8_t> atr;
        EXPECT_EQ(Session().ProbeSlot(atr, 0), 0);
        EXPECT_EQ(atr, kAtr);
        const Connection again = Connect(u"ACS ACR83U 00 00");
        EXPECT_EQ(again.result, 0);
        EXPECT_EQ(again.atr, kAtr);
        if (otherContext != 0) {
            pcsc::Api().ReleaseContext(otherContext);
        }
    }
}

TEST(ConnectSlot, CardHeldByTheEarlierConnectionIsConfirmedThroughIt)
{
    SimulatedReaders sim(Config());
    WaitRecorder waits;
    const Connection first = Connect(u"ACS ACR83U 00 00");
    ASSERT_EQ(first.result, 0);
    const SCARDHANDLE earlier = Session().SlotAt(0).card;

    // The exclusive connection still holds the card, so the new one is refused as shared.
    const Connection again = Connect(u"ACS ACR83U 00 00");
    EXPECT_EQ(again.result, 0);
    EXPECT_EQ(again.slot, 0);
    EXPECT_EQ(again.atr, kAtr);
    EXPECT_EQ(Session().SlotAt(0).card, earlier);
    EXPECT_EQ(Session().CurrentCardHandle(), earlier);
    EXPECT_TRUE(waits.waits.empty());
}

// The last connection made may belong to another reader: it must never stand in for the card
// asked for, whose earlier connection died when the card was pulled and put back.
TEST(ConnectSlot, ConnectionOfAnotherReaderNeverConfirmsTheCardAskedFor)
{
    const json first
        = testing::ScriptedCard("T1", { { "00B0000004", "A1A2A3A49000" } }, "3B021111");
    const json second = testing::ScriptedCard("T1", {}, "3B022222");
    SimulatedReaders sim(json { { "readers",
        json::array({ { { "name", kPinPad }, { "card", first } },
            { { "name", kEmpty }, { "card", nullptr } },
            { { "name", kSecond }, { "card", second } } }) } });
    WaitRecorder waits;
    ASSERT_EQ(Connect(u"ACS ACR83U 00 00").result, 0);
    ASSERT_EQ(Connect(u"Second Reader 02").result, 0);
    ASSERT_EQ(sim.RemoveCard(kPinPad), 0);
    ASSERT_EQ(sim.InsertCard(kPinPad), 0);

    const Connection again = Connect(u"ACS ACR83U 00 00");
    ASSERT_EQ(again.result, 0);
    EXPECT_EQ(again.slot, 0);
    EXPECT_EQ(again.atr, (std::vector<uint8_t> { 0x3B, 0x02, 0x11, 0x11 }));
    uint8_t le = 4;
    pcsc::ApduResponse response;
    EXPECT_EQ(
        pcsc::TransmitApdu(Session().Slot(again.slot), { 0x00, 0xB0, 0x00, 0x00 }, {}, le, response)
            .Code(),
        0);
    EXPECT_EQ(response.length, 4u);
    EXPECT_EQ(sim.Progress(kPinPad).consumed, 1u) << "the command reached the card asked for";
}

TEST(ConnectSlot, DeadEarlierConnectionIsReplacedByAFreshSharedOneUnderANewContext)
{
    SimulatedReaders sim(Config({ Fault("SCardStatus", 0x80100069, 2, 1) }));
    WaitRecorder waits;
    ASSERT_EQ(Connect(u"ACS ACR83U 00 00").result, 0); // its status read is the first
    const SCARDHANDLE earlier = Session().SlotAt(0).card;
    waits.waits.clear();

    const Connection again = Connect(u"ACS ACR83U 00 00");
    EXPECT_EQ(again.result, 0);
    EXPECT_EQ(again.atr, kAtr);
    EXPECT_NE(Session().SlotAt(0).card, earlier);
    EXPECT_EQ(Session().CurrentCardHandle(), Session().SlotAt(0).card);
    EXPECT_EQ(waits.waits, (std::vector<int> { 10, 20 }));
}

TEST(ConnectSlot, OtherErrorsResetTheSlotsEarlierConnection)
{
    SimulatedReaders sim(Config({ Fault("SCardConnect", 0x80100014, 1, 1) }));
    WaitRecorder waits;
    ASSERT_EQ(Connect(u"ACS ACR83U 00 00").result, 0);
    const SCARDHANDLE earlier = Session().SlotAt(0).card;

    const Connection again = Connect(u"ACS ACR83U 00 00");
    EXPECT_EQ(again.result, 0);
    EXPECT_EQ(again.slot, 0);
    EXPECT_EQ(again.atr, kAtr);
    EXPECT_EQ(Session().SlotAt(0).card, earlier);
    EXPECT_EQ(waits.waits, (std::vector<int> { 20 }));
}

TEST(ConnectSlot, FailedResetOfTheEarlierConnectionIsReturned)
{
    SimulatedReaders sim(
        Config({ Fault("SCardConnect", 0x80100014, 1, 1), Fault("SCardReconnect", 0x80100014) }));
    WaitRecorder waits;
    ASSERT_EQ(Connect(u"ACS ACR83U 00 00").result, 0);
    const Connection again = Connect(u"ACS ACR83U 00 00");
    EXPECT_EQ(again.result, kUnknownError);
    EXPECT_EQ(again.slot, -5) << "a failed connection reports no slot";
}

TEST(ConnectSlot, ErrorsWithoutAnEarlierConnectionAreReturnedUnchanged)
{
    SimulatedReaders sim(Config());
    WaitRecorder waits;
    const Connection empty = Connect(u"Empty Reader 01");
    EXPECT_EQ(empty.result, kNoSmartcard);
    EXPECT_EQ(empty.slot, -5);
    EXPECT_TRUE(empty.atr.empty());
    EXPECT_FALSE(Session().SlotAt(1).connected);

    // A name that is not listed, even after a fresh listing, is tried on slot 0.
    const Connection unknown = Connect(u"No Such Reader");
    EXPECT_EQ(unknown.result, Code(0x80100009));
    EXPECT_TRUE(waits.waits.empty());
}

TEST(ConnectSlot, FailedContextIsReportedAndTheNextConnectionTriesAgain)
{
    SimulatedReaders sim(Config({ Fault("SCardEstablishContext", 0x8010001D) }));
    WaitRecorder waits;
    EXPECT_EQ(Connect(u"ACS ACR83U 00 00").result, Code(0x8010001D));
    EXPECT_FALSE(Session().ContextEstablished());
    EXPECT_EQ(Connect(u"ACS ACR83U 00 00").result, 0);
}

TEST(ListReaderNames, StartsAfreshAndForgetsEveryConnection)
{
    SimulatedReaders sim(Config());
    WaitRecorder waits;
    ASSERT_EQ(Connect(u"ACS ACR83U 00 00").result, 0);
    int32_t count = 0;
    pcsc::ReaderNameList names;
    ASSERT_EQ(Session().ListReaderNames(count, names), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names[2], u"Second Reader 02");
    EXPECT_EQ(Session().SlotAt(0).card, 0);
    EXPECT_FALSE(Session().SlotAt(0).connected);
    EXPECT_EQ(waits.waits, (std::vector<int> { 50 }));
    // The old exclusive connection went with its context: the card is free again.
    EXPECT_EQ(Connect(u"ACS ACR83U 00 00").result, 0);
}

TEST(DisconnectSlot, DisconnectsOnceWaitsEveryTimeAndReleasesForAnEmptySlotByName)
{
    SimulatedReaders sim(Config());
    WaitRecorder waits;
    ASSERT_EQ(Connect(u"Second Reader 02").result, 0);
    EXPECT_EQ(Session().DisconnectSlot(2, pcsc::kResetCard), 0);
    EXPECT_EQ(Session().SlotAt(2).card, 0);
    EXPECT_EQ(Session().CurrentCardHandle(), 0);
    EXPECT_EQ(Session().DisconnectSlot(2, pcsc::kResetCard), 0) << "nothing left to disconnect";
    EXPECT_EQ(Session().DisconnectSlot(16, pcsc::kResetCard), -1);
    EXPECT_TRUE(Session().ContextEstablished());

    ASSERT_EQ(Connect(u"Second Reader 02").result, 0);
    EXPECT_EQ(Session().DisconnectReaderByName(u"Second Reader 02", pcsc::kLeaveCard), 0);
    EXPECT_TRUE(Session().ContextEstablished());
    EXPECT_EQ(Session().DisconnectReaderByName(u"Empty Reader 01", pcsc::kLeaveCard), 0);
    EXPECT_FALSE(Session().ContextEstablished());
    EXPECT_FALSE(pcsc::IsPcscApiLoaded());
    EXPECT_EQ(waits.waits, (std::vector<int> { 200, 200, 200, 200 }));
}

} // namespace
} // namespace velkor
