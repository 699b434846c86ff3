#include <gtest/gtest.h>

#include <functional>

#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "pcsc/simulated_readers.h"

// The session methods end to end, on simulated readers.
namespace velkor {
namespace {

using nlohmann::json;
using testing::SimulatedReaders;
using testing::WaitRecorder;

constexpr char kAtrHex[] = "3B8F8001804F0CA000000306030001000000006A";
using pcsc::kNoSmartcard;

json Reader(const std::string& name,
    json card = { { "atr", "3b8f8001804f0ca000000306030001000000006a" }, { "protocol", "T1" } })
{
    return { { "name", name }, { "vendorName", "ACS" }, { "ifdType", "ACR83U" },
        { "ifdVersion", 0x01020003 }, { "card", std::move(card) } };
}

json Config(json readers)
{
    return { { "readers", std::move(readers) } };
}

json TwoReaders()
{
    return Config(json::array({ Reader("ACS ACR83U 00 00"), Reader("Empty Reader 01", nullptr) }));
}

class SessionMethods : public ::testing::Test {
protected:
    WaitRecorder waits;
};

TEST_F(SessionMethods, ListingGivesNamesInOrderAsControlTexts)
{
    SimulatedReaders sim(Config(json::array({ Reader("ACS ACR83U 00 00"),
        Reader("Lecteur carte à puce 01", nullptr), Reader("讀卡機 02", nullptr) })));
    CVelkorCtrl control;
    ASSERT_EQ(control.ListReaders(), 0);
    EXPECT_EQ(control.GetReaderNumber(), 3);
    EXPECT_EQ(control.GetReaderName(0), u"ACS ACR83U 00 00");
    EXPECT_EQ(control.GetReaderName(1), u"Lecteur carte à puce 01");
    EXPECT_EQ(control.GetReaderName(2), u"讀卡機 02");
    EXPECT_EQ(control.GetReaderName(3), u"");
    // The UTF-16 name from the list connects the reader.
    EXPECT_EQ(control.ConnectCard(control.GetReaderName(2)), kNoSmartcard);
}

TEST_F(SessionMethods, ListingKeepsSixteenNamesOfAtMostSixtyThreeCharacters)
{
    json readers = json::array({ Reader(std::string(70, 'L'), nullptr) });
    for (int i = 1; i < 18; ++i) {
        readers.push_back(Reader("Reader " + std::to_string(i), nullptr));
    }
    SimulatedReaders sim(Config(readers));
    CVelkorCtrl control;
    ASSERT_EQ(control.ListReaders(), 0);
    EXPECT_EQ(control.GetReaderNumber(), 16);
    EXPECT_EQ(control.GetReaderName(0), Text(63, u'L'));
    EXPECT_EQ(control.GetReaderName(15), u"Reader 15");
    EXPECT_EQ(control.GetReaderName(16), u"");
}

TEST_F(SessionMethods, ListTooLongForItsBufferFailsAndKeepsTheCount)
{
    SimulatedReaders sim(TwoReaders());
    CVelkorCtrl control;
    ASSERT_EQ(control.ListReaders(), 0);
    json readers = json::array();
    for (int i = 0; i < 20; ++i) {
        readers.push_back(Reader(std::string(60, 'N') + std::to_string(i), nullptr));
    }
    sim.Reload(Config(readers)); // more than 1024 characters of names
    EXPECT_EQ(control.ListReaders(), status::kUnavailable);
    EXPECT_EQ(control.GetReaderNumber(), 2);
    EXPECT_EQ(control.GetReaderName(0), u"") << "the first names were cleared for the listing";
}

TEST_F(SessionMethods, ConnectCardStoresSlotAndAtrAndReadsTheReadersAttributes)
{
    SimulatedReaders sim(
        Config(json::array({ Reader("Empty Reader 00", nullptr), Reader("ACS ACR83U 00 01") })));
    CVelkorCtrl control;
    ASSERT_EQ(control.ConnectCard(u"ACS ACR83U 00 01"), 0);
    EXPECT_EQ(control.State().readerSlotIndex, 1);
    EXPECT_EQ(control.GetCardStatus(), Utf8ToText(kAtrHex));
    EXPECT_EQ(control.GetReaderStatus(0), u"ACS");
    EXPECT_EQ(control.GetReaderStatus(1), u"ACR83U");
    EXPECT_EQ(control.GetReaderStatus(2), u"01.02.0003");
    EXPECT_EQ(control.State().lastErrorCode, 0);
    EXPECT_EQ(control.CheckCardInsert(), 0);
    EXPECT_TRUE(waits.waits.empty());
}

TEST_F(SessionMethods, ReConnectCardIgnoresItsResetFlagAndFailuresLeaveNoAtr)
{
    SimulatedReaders sim(TwoReaders());
    CVelkorCtrl control;
    for (const int32_t flag : { 0, 1 }) {
        EXPECT_EQ(control.ReConnectCard(u"ACS ACR83U 00 00", flag), 0) << flag;
        EXPECT_EQ(control.GetCardStatus(), Utf8ToText(kAtrHex));
    }
    EXPECT_EQ(control.State().readerCount, 0) << "ReConnectCard leaves the count alone";
    EXPECT_EQ(control.ConnectCard(u"Empty Reader 01"), kNoSmartcard);
    EXPECT_EQ(control.State().readerSlotIndex, 0);
    EXPECT_EQ(control.GetCardStatus(), u"");
}

// Whatever the page did before, a pulled card reads as removed (1), and the card put back
// connects and reads as present again. pcsc-lite answers a new connection to an empty reader
// with "no smart card"; earlier handles may belong to a context that is gone by then.
TEST_F(SessionMethods, PulledCardReadsAsRemovedWhateverCameBefore)
{
    const std::string reader = "ACS ACR83U 00 00";
    struct Prelude {
        const char* name;
        std::function<void(CVelkorCtrl&, SimulatedReaders&)> run; // ends with the card pulled
    };
    const Prelude preludes[] = {
        { "connected", [&](CVelkorCtrl&, SimulatedReaders& sim) { sim.RemoveCard(reader); } },
        { "connection failed after the pull",
            [&](CVelkorCtrl& control, SimulatedReaders& sim) {
                sim.RemoveCard(reader);
                EXPECT_EQ(control.CheckCardInsert(), 1);
                // The earlier handle still holds the empty reader and its status fails; the
                // connection starts a fresh context, which drops that handle, and finds no card.
                EXPECT_EQ(control.ConnectCard(Utf8ToText(reader)), kNoSmartcard);
                EXPECT_EQ(control.GetCardStatus(), u"");
            } },
        { "readers listed",
            [&](CVelkorCtrl& control, SimulatedReaders& sim) {
                EXPECT_EQ(control.ListReaders(), 0);
                sim.RemoveCard(reader);
            } },
        { "card disconnected",
            [&](CVelkorCtrl& control, SimulatedReaders& sim) {
                EXPECT_EQ(control.DisconnectCard(), 0);
                sim.RemoveCard(reader);
            } },
    };
    for (const Prelude& prelude : preludes) {
        SCOPED_TRACE(prelude.name);
        SimulatedReaders sim(TwoReaders());
        CVelkorCtrl control;
        ASSERT_EQ(control.ConnectCard(Utf8ToText(reader)), 0);
        EXPECT_EQ(control.CheckCardInsert(), 0);
        prelude.run(control, sim);
        EXPECT_EQ(control.CheckCardInsert(), 1);

        ASSERT_EQ(sim.InsertCard(reader), 0);
        EXPECT_EQ(control.ConnectCard(Utf8ToText(reader)), 0);
        EXPECT_EQ(control.GetCardStatus(), Utf8ToText(kAtrHex));
        EXPECT_EQ(control.CheckCardInsert(), 0);
    }
}

TEST_F(SessionMethods, CheckCardInsertWithoutContextOrReaderIsMinusOne)
{
    SimulatedReaders sim(Config(json::array()));
    CVelkorCtrl control;
    EXPECT_EQ(control.CheckCardInsert(), -1) << "no context yet";
    EXPECT_EQ(control.ListReaders(), status::kUnavailable) << "no reader attached";
    EXPECT_EQ(control.CheckCardInsert(), -1);
}

TEST_F(SessionMethods, VanishedReaderGivesItsPcscErrorAndTheControlStaysUsable)
{
    SimulatedReaders sim(TwoReaders());
    CVelkorCtrl control;
    ASSERT_EQ(control.ConnectCard(u"ACS ACR83U 00 00"), 0);
    sim.Reload(Config(json::array({ Reader("Other Reader 00") })));
    EXPECT_EQ(control.CheckCardInsert(), -1);
    const int32_t result = control.ConnectCard(u"ACS ACR83U 00 00");
    EXPECT_LT(result, 0);
    EXPECT_EQ(control.GetReaderStatus(0), u"");

    ASSERT_EQ(control.ListReaders(), 0);
    EXPECT_EQ(control.GetReaderName(0), u"Other Reader 00");
    EXPECT_EQ(control.ConnectCard(u"Other Reader 00"), 0);
}

TEST_F(SessionMethods, DisconnectCardKeepsTheContextAndDisconnectReaderReleasesIt)
{
    SimulatedReaders sim(TwoReaders());
    CVelkorCtrl control;
    ASSERT_EQ(control.ConnectCard(u"ACS ACR83U 00 00"), 0);
    EXPECT_EQ(control.DisconnectCard(), 0);
    EXPECT_EQ(control.GetCardStatus(), u"");
    EXPECT_TRUE(control.Session().ContextEstablished());
    EXPECT_EQ(waits.waits, (std::vector<int> { 200 }));

    ASSERT_EQ(control.ConnectCard(u"ACS ACR83U 00 00"), 0);
    waits.waits.clear();
    EXPECT_EQ(control.DisconnectReader(), 0);
    EXPECT_EQ(waits.waits, (std::vector<int> { 200 }));
    EXPECT_FALSE(control.Session().ContextEstablished());
    EXPECT_FALSE(pcsc::IsPcscApiLoaded());
    EXPECT_EQ(control.GetCardStatus(), Utf8ToText(kAtrHex)) << "stored texts stay";

    // The next listing binds the library again.
    EXPECT_EQ(control.ListReaders(), 0);
    EXPECT_EQ(control.GetReaderNumber(), 2);
}

} // namespace
} // namespace velkor
