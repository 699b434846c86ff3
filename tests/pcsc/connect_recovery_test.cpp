#include <gtest/gtest.h>

#include "pcsc/apdu_transmit.h"
#include "pcsc/reader_session.h"
#include "simulated_readers.h"
#include "support/hex_bytes.h"

// How a connection recovers from removed, unresponsive and shared cards, and which waits it takes
// on each way.
namespace velkor {
namespace {

using nlohmann::json;
using testing::Session;

constexpr char kPinPad[] = "ACS ACR83U 00 00";
constexpr char kEmpty[] = "Empty Reader 01";
constexpr char kSecond[] = "Second Reader 02";
constexpr char kAtrHex[] = "3B8F8001804F0CA000000306030001000000006A";
const std::vector<uint8_t> kAtr = testing::FromHex(kAtrHex);

constexpr int32_t Code(uint32_t value)
{
    return static_cast<int32_t>(value);
}
constexpr int32_t kUnknownError = Code(0x80100014);
constexpr int32_t kNoService = Code(0x8010001D);

json Fault(const char* call, uint32_t result, int times = 1, int after = 0)
{
    return { { "call", call }, { "result", Code(result) }, { "times", times }, { "after", after } };
}

struct Connection {
    int32_t result = 0;
    int32_t slot = -5; // what the caller had before
    std::vector<uint8_t> atr;
};

Connection Connect(const char* reader)
{
    Connection connection;
    connection.result = Session().ConnectSlot(Utf8ToText(reader), connection.slot, connection.atr);
    return connection;
}

// Three readers, the middle one empty; the session's waits are recorded, not slept.
class ConnectSlot : public ::testing::Test {
protected:
    void Start(json faults = json::array())
    {
        const json card = { { "atr", kAtrHex }, { "protocol", "T1" } };
        sim_.emplace(json { { "readers",
                                json::array({ { { "name", kPinPad }, { "card", card } },
                                    { { "name", kEmpty }, { "card", nullptr } },
                                    { { "name", kSecond }, { "card", card } } }) },
            { "faults", std::move(faults) } });
    }
    std::vector<int>& Waits() { return waits_.waits; }

    testing::WaitRecorder waits_;
    std::optional<testing::SimulatedReaders> sim_;
};

TEST_F(ConnectSlot, FirstConnectionListsReadersAndReportsTheSlotAndAtr)
{
    Start();
    const Connection connection = Connect(kSecond);
    ASSERT_EQ(connection.result, 0);
    EXPECT_EQ(connection.slot, 2);
    EXPECT_EQ(connection.atr, kAtr);
    EXPECT_TRUE(Waits().empty());
    const pcsc::ReaderSlot slot = Session().SlotAt(2);
    EXPECT_EQ(slot.name, u"Second Reader 02");
    EXPECT_TRUE(slot.connected);
    EXPECT_EQ(slot.protocol, pcsc::Protocol::T1);
    EXPECT_NE(slot.card, 0);
    EXPECT_EQ(Session().CurrentCardHandle(), slot.card);
    EXPECT_EQ(Session().SlotAt(0).name, u"ACS ACR83U 00 00");
}

TEST_F(ConnectSlot, RemovedOrUnresponsiveCardGetsOneMoreAttemptUnderANewContext)
{
    for (const auto& [fault, waits] : { std::pair { 0x80100069U, std::vector<int> { 20, 20 } },
             std::pair { 0x80100066U, std::vector<int> { 10, 20 } } }) {
        Start(json::array({ Fault("SCardConnect", fault) }));
        Waits().clear();
        const Connection connection = Connect(kPinPad);
        EXPECT_EQ(connection.result, 0);
        EXPECT_EQ(connection.atr, kAtr);
        EXPECT_EQ(Waits(), waits);
        EXPECT_TRUE(Session().ContextEstablished());
        sim_.reset();
    }
}

// Each way to a shared connection must leave the reader open to the next probe and connection:
// pcscd makes every connection wait, without end, while any handle holds a transaction on the
// reader (the simulator counts such a connection and fails the test).
TEST_F(ConnectSlot, EveryWayToASharedConnectionLeavesTheReaderConnectable)
{
    const struct {
        const char* name;
        json faults;
        bool connectedBefore; // the fault hits the earlier connection's status read
        bool anotherApplicationHoldsTheCard;
        std::vector<int> waits;
    } paths[] = {
        { "refused twice as removed: the listed reader, shared",
            json::array({ Fault("SCardConnect", 0x80100069, 2) }), false, false, { 20, 20 } },
        { "earlier connection found dead: a fresh one under a new context",
            json::array({ Fault("SCardStatus", 0x80100069, 2, 1) }), true, false, { 10, 20 } },
        { "card shared with another application", json::array(), false, true, {} },
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.name);
        Start(path.faults);
        SCARDCONTEXT otherContext = 0;
        SCARDHANDLE other = 0;
        DWORD protocol = 0;
        if (path.anotherApplicationHoldsTheCard) {
            ASSERT_EQ(pcsc::LoadPcscApi(), 0);
            ASSERT_EQ(pcsc::Api().EstablishContext(otherContext), 0);
            ASSERT_EQ(
                pcsc::Api().Connect(otherContext, kPinPad, SCARD_SHARE_SHARED, other, protocol), 0);
        }
        SCARDHANDLE earlier = 0;
        if (path.connectedBefore) {
            ASSERT_EQ(Connect(kPinPad).result, 0);
            earlier = Session().SlotAt(0).card;
        }
        Waits().clear();
        const Connection recovered = Connect(kPinPad);
        ASSERT_EQ(recovered.result, 0);
        EXPECT_EQ(recovered.slot, 0);
        EXPECT_EQ(recovered.atr, kAtr);
        EXPECT_EQ(Waits(), path.waits);
        EXPECT_NE(Session().SlotAt(0).card, earlier);
        EXPECT_EQ(Session().CurrentCardHandle(), Session().SlotAt(0).card);
        if (otherContext == 0) {
            // The connection is shared: another shared one is admitted.
            ASSERT_EQ(pcsc::Api().EstablishContext(otherContext), 0);
            EXPECT_EQ(
                pcsc::Api().Connect(otherContext, kPinPad, SCARD_SHARE_SHARED, other, protocol), 0);
        }

        std::vector<uint8_t> atr;
        EXPECT_EQ(Session().ProbeSlot(atr, 0), 0);
        EXPECT_EQ(atr, kAtr);
        const Connection again = Connect(kPinPad);
        EXPECT_EQ(again.result, 0);
        EXPECT_EQ(again.atr, kAtr);
        pcsc::Api().ReleaseContext(otherContext);
        sim_.reset();
    }
}

TEST_F(ConnectSlot, CardHeldByTheEarlierConnectionIsConfirmedThroughIt)
{
    Start();
    ASSERT_EQ(Connect(kPinPad).result, 0);
    const SCARDHANDLE earlier = Session().SlotAt(0).card;

    // The exclusive connection still holds the card, so the new one is refused as shared.
    const Connection again = Connect(kPinPad);
    EXPECT_EQ(again.result, 0);
    EXPECT_EQ(again.slot, 0);
    EXPECT_EQ(again.atr, kAtr);
    EXPECT_EQ(Session().SlotAt(0).card, earlier);
    EXPECT_EQ(Session().CurrentCardHandle(), earlier);
    EXPECT_TRUE(Waits().empty());
}

// The last connection made may belong to another reader: it must never stand in for the card
// asked for, whose earlier connection died when the card was pulled and put back.
TEST_F(ConnectSlot, ConnectionOfAnotherReaderNeverConfirmsTheCardAskedFor)
{
    const json first
        = testing::ScriptedCard("T1", { { "00B0000004", "A1A2A3A49000" } }, "3B021111");
    const json second = testing::ScriptedCard("T1", {}, "3B022222");
    sim_.emplace(json { { "readers",
        json::array({ { { "name", kPinPad }, { "card", first } },
            { { "name", kEmpty }, { "card", nullptr } },
            { { "name", kSecond }, { "card", second } } }) } });
    ASSERT_EQ(Connect(kPinPad).result, 0);
    ASSERT_EQ(Connect(kSecond).result, 0);
    ASSERT_EQ(sim_->RemoveCard(kPinPad), 0);
    ASSERT_EQ(sim_->InsertCard(kPinPad), 0);

    const Connection again = Connect(kPinPad);
    ASSERT_EQ(again.result, 0);
    EXPECT_EQ(again.slot, 0);
    EXPECT_EQ(again.atr, testing::FromHex("3B021111"));
    uint8_t le = 4;
    pcsc::ApduResponse response;
    EXPECT_EQ(
        pcsc::TransmitApdu(Session().Slot(again.slot), { 0x00, 0xB0, 0x00, 0x00 }, {}, le, response)
            .Code(),
        0);
    EXPECT_EQ(response.length, 4u);
    EXPECT_EQ(sim_->Progress(kPinPad).consumed, 1u) << "the command reached the card asked for";
}

// Any other error: a reset of the slot's earlier connection decides, after one wait.
TEST_F(ConnectSlot, OtherErrorsAreDecidedByAResetOfTheEarlierConnection)
{
    for (const bool resetFails : { false, true }) {
        SCOPED_TRACE(resetFails ? "reset fails" : "reset succeeds");
        json faults = json::array({ Fault("SCardConnect", 0x80100014, 1, 1) });
        if (resetFails) {
            faults.push_back(Fault("SCardReconnect", 0x80100014));
        }
        Start(faults);
        Waits().clear();
        ASSERT_EQ(Connect(kPinPad).result, 0);
        const SCARDHANDLE earlier = Session().SlotAt(0).card;

        const Connection again = Connect(kPinPad);
        EXPECT_EQ(again.result, resetFails ? kUnknownError : 0);
        EXPECT_EQ(again.slot, resetFails ? -5 : 0) << "a failed connection reports no slot";
        if (!resetFails) {
            EXPECT_EQ(again.atr, kAtr);
        }
        EXPECT_EQ(Session().SlotAt(0).card, earlier);
        EXPECT_EQ(Waits(), (std::vector<int> { 20 }));
        sim_.reset();
    }
}

TEST_F(ConnectSlot, ErrorsWithoutAnEarlierConnectionAreReturnedUnchanged)
{
    Start(json::array({ Fault("SCardEstablishContext", 0x8010001D) }));
    EXPECT_EQ(Connect(kPinPad).result, kNoService);
    EXPECT_FALSE(Session().ContextEstablished());

    const Connection empty = Connect(kEmpty); // the next connection tries the context again
    EXPECT_EQ(empty.result, pcsc::kNoSmartcard);
    EXPECT_EQ(empty.slot, -5);
    EXPECT_TRUE(empty.atr.empty());
    EXPECT_FALSE(Session().SlotAt(1).connected);
    // A name that is not listed, even after a fresh listing, is tried on slot 0.
    EXPECT_EQ(Connect("No Such Reader").result, pcsc::kUnknownReader);
    EXPECT_TRUE(Waits().empty());
}

TEST_F(ConnectSlot, ListingStartsAfreshAndForgetsEveryConnection)
{
    Start();
    ASSERT_EQ(Connect(kPinPad).result, 0);
    int32_t count = 0;
    pcsc::ReaderNameList names;
    ASSERT_EQ(Session().ListReaderNames(count, names), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names[2], u"Second Reader 02");
    EXPECT_EQ(Session().SlotAt(0).card, 0);
    EXPECT_FALSE(Session().SlotAt(0).connected);
    EXPECT_EQ(Waits(), (std::vector<int> { 50 }));
    // The old exclusive connection went with its context: the card is free again.
    EXPECT_EQ(Connect(kPinPad).result, 0);
}

TEST_F(ConnectSlot, DisconnectingDisconnectsOnceWaitsEveryTimeAndReleasesForAnEmptySlotByName)
{
    Start();
    ASSERT_EQ(Connect(kSecond).result, 0);
    EXPECT_EQ(Session().DisconnectSlot(2, pcsc::kResetCard), 0);
    EXPECT_EQ(Session().SlotAt(2).card, 0);
    EXPECT_EQ(Session().CurrentCardHandle(), 0);
    EXPECT_EQ(Session().DisconnectSlot(2, pcsc::kResetCard), 0) << "nothing left to disconnect";
    EXPECT_EQ(Session().DisconnectSlot(16, pcsc::kResetCard), pcsc::kUnavailable);
    EXPECT_TRUE(Session().ContextEstablished());

    ASSERT_EQ(Connect(kSecond).result, 0);
    EXPECT_EQ(Session().DisconnectReaderByName(u"Second Reader 02", pcsc::kLeaveCard), 0);
    EXPECT_TRUE(Session().ContextEstablished());
    EXPECT_EQ(Session().DisconnectReaderByName(u"Empty Reader 01", pcsc::kLeaveCard), 0);
    EXPECT_FALSE(Session().ContextEstablished());
    EXPECT_FALSE(pcsc::IsPcscApiLoaded());
    EXPECT_EQ(Waits(), (std::vector<int> { 200, 200, 200, 200 }));
}

} // namespace
} // namespace velkor
