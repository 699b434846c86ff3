#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/card_test_support.h"
#include "control/velkor_ctrl.h"
#include "pcsc/call_log.h"
#include "pcsc/simulated_readers.h"
#include "transaction_test_support.h"

// The PC/SC call log tells which call failed on which reader, and never what was sent.
namespace velkor {
namespace {

using testing::FinancialCard;
using testing::FixedClock;
using testing::Readers;
using testing::SimulatedReaders;
using testing::WaitRecorder;

class PcscCallLog : public ::testing::Test {
protected:
    PcscCallLog() { pcsc::EnableCallLog(true); }
    ~PcscCallLog() override { pcsc::EnableCallLog(false); }

    std::string log;
    pcsc::ScopedCallLogSink sink { [this](std::string_view line) {
        log += line;
        log += '\n';
    } };
    WaitRecorder waits;
    FixedClock clock;
    SimulatedReaders sim { Readers(FinancialCard()) };
};

TEST_F(PcscCallLog, NamesEachCallItsReaderAndResultButNeverTheCardData)
{
    CVelkorCtrl control;
    EXPECT_NE(control.ConnectCard(u"Generic Reader 01"), 0);
    ASSERT_EQ(control.ConnectCard(u"ACS ACR83U 00 00"), 0);
    ASSERT_EQ(control.VerifyPIN(u"123456"), 0);
    ASSERT_EQ(control.AccountWithdraw(
                  u"2510", u"00000001", u"87654321", u"00000000100000", u"8220012345678901"),
        0);
    EXPECT_NE(log.find("velkor pcsc: SCardConnect reader=\"Generic Reader 01\" -> "
                       "SCARD_E_NO_SMARTCARD "),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("SCardTransmit reader=\"ACS ACR83U 00 00\" -> SCARD_S_SUCCESS "),
        std::string::npos);
    EXPECT_NE(log.find(" ms\n"), std::string::npos) << "each line ends with the call's duration";

    const std::string tac = TextToUtf8(control.GetRespTAC());
    ASSERT_FALSE(tac.empty());
    for (const std::string& secret : std::vector<std::string> { "123456", "87654321",
             testing::Hex("87654321"), "A0000001729500", "00A40400", "00E2", tac, "3B80800101" }) {
        EXPECT_EQ(log.find(secret), std::string::npos) << secret << " in the log:\n" << log;
    }

    pcsc::EnableCallLog(false);
    log.clear();
    control.DisconnectReader();
    EXPECT_EQ(log, "") << "the log is opt-in";
}

} // namespace
} // namespace velkor
