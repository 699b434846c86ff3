#include <dlfcn.h>
#include <gtest/gtest.h>

#include "pcsc/apdu_transmit.h"
#include "pcsc/pcsc_api.h"
#include "pcsc/reader_session.h"
#include "pcsc_test_support.h"

namespace velkor {
namespace {

using testing::ScopedPcscLibrary;
using testing::Session;
using testing::WaitRecorder;

// Runs every operation of the session once and collects their results.
std::vector<int32_t> RunEveryOperation()
{
    int32_t count = 0;
    pcsc::ReaderNameList names;
    int32_t slot = 0;
    std::vector<uint8_t> bytes;
    uint8_t le = 0;
    pcsc::ApduResponse response;
    uint32_t expected = 0;
    pcsc::ApduExtendedAnswer answer;
    const uint8_t data[] = { 0x01 };
    return {
        Session().ListReaderNames(count, names),
        Session().ConnectSlot(u"Stub Reader 00", slot, bytes, pcsc::kShareExclusive),
        Session().ProbeSlot(bytes, 0, pcsc::kShareExclusive),
        Session().DisconnectSlot(0, pcsc::kResetCard),
        Session().DisconnectReaderByName(u"Stub Reader 00", pcsc::kResetCard),
        Session().GetReaderAttribute(0, pcsc::kVendorName, bytes),
        pcsc::TransmitApdu(Session().Slot(0), { 0x00, 0xA4, 0x04, 0x00 }, data, le, response)
            .Code(),
        pcsc::TransmitApduExtended(
            Session().Slot(0), { 0x00, 0xB2, 0x01, 0x0C }, {}, expected, answer)
            .Code(),
        Session().ReleaseReaderContext(),
    };
}

bool IsStillLoaded(const char* path)
{
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) {
        dlclose(handle);
        return true;
    }
    return false;
}

TEST(PcscBinding, MissingLibraryGivesMinusOneEverywhereAndIsRetriedLater)
{
    WaitRecorder waits;
    {
        ScopedPcscLibrary library("/nonexistent/libpcsclite.so.1");
        EXPECT_EQ(RunEveryOperation(), std::vector<int32_t>(9, pcsc::kUnavailable));
        EXPECT_FALSE(pcsc::IsPcscApiLoaded());
        EXPECT_EQ(pcsc::LoadPcscApi(), pcsc::kUnavailable)
            << "a second attempt fails again, without crashing";
    }
    // The path is read at every load: once a library is there, the next operation binds it.
    ScopedPcscLibrary library(VELKOR_STUB_COMPLETE);
    int32_t count = 0;
    pcsc::ReaderNameList names;
    ASSERT_EQ(Session().ListReaderNames(count, names), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(names[0], u"Stub Reader 00");
}

TEST(PcscBinding, LibraryLackingTheLastEntryIsClosedAgainAndNeverUsed)
{
    WaitRecorder waits;
    {
        ScopedPcscLibrary library(VELKOR_STUB_INCOMPLETE);
        EXPECT_EQ(RunEveryOperation(), std::vector<int32_t>(9, pcsc::kUnavailable));
        EXPECT_FALSE(pcsc::IsPcscApiLoaded());
        EXPECT_FALSE(IsStillLoaded(VELKOR_STUB_INCOMPLETE));
    }
    ScopedPcscLibrary library(VELKOR_STUB_COMPLETE);
    EXPECT_EQ(pcsc::LoadPcscApi(), 0);
    EXPECT_TRUE(IsStillLoaded(VELKOR_STUB_COMPLETE));
}

} // namespace
} // namespace velkor
