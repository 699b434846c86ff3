#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "pcsc/pcsc_test_support.h"
#include "pcsc/reader_session.h"

// The session methods' own checks and bookkeeping, against a PC/SC library with one reader and no
// card, or none at all.
namespace velkor {
namespace {

using testing::ScopedPcscLibrary;
using testing::WaitRecorder;

using pcsc::kNoSmartcard;

class SessionArguments : public ::testing::Test {
protected:
    WaitRecorder waits;
    ScopedPcscLibrary library { VELKOR_STUB_COMPLETE };
};

TEST_F(SessionArguments, ReaderNamesAreCheckedBeforeAnyConnection)
{
    CVelkorCtrl control;
    EXPECT_EQ(control.ConnectCard(std::nullopt), status::kNoReaderName);
    EXPECT_EQ(control.ReConnectCard(std::nullopt, 0), status::kNoReaderName);
    EXPECT_EQ(control.ConnectCard(u"Stub "), status::kBadLength);
    EXPECT_EQ(control.ConnectCard(Text(65, u'R')), status::kBadLength);
    EXPECT_EQ(control.ReConnectCard(u"Stub ", 1), status::kBadLength);
    // A NUL inside would cut the name PC/SC sees down to another reader's.
    EXPECT_EQ(control.ConnectCard(Text(u"Stub Reader 00\0evil", 19)), status::kBadValue);
    EXPECT_FALSE(pcsc::IsPcscApiLoaded()) << "no check should reach the PC/SC layer";

    // Names of 6 and 64 characters reach the reader, whose error comes back unchanged.
    EXPECT_EQ(control.ConnectCard(u"Stub R"), kNoSmartcard);
    EXPECT_EQ(control.ConnectCard(Text(64, u'R')), kNoSmartcard);
    EXPECT_EQ(control.ReConnectCard(u"Stub Reader 00", 0), kNoSmartcard);
    EXPECT_EQ(control.State().readerSlotIndex, 0);
    EXPECT_EQ(control.GetCardStatus(), u"");
}

TEST_F(SessionArguments, ReaderCountAndNamesFollowListingAndConnection)
{
    CVelkorCtrl control;
    EXPECT_EQ(control.GetReaderNumber(), -1);
    EXPECT_EQ(control.State().readerCount, -1) << "the -1 is stored";
    EXPECT_EQ(control.GetReaderName(0), u"");

    control.ConnectCard(u"Stub Reader 00");
    EXPECT_EQ(control.GetReaderNumber(), 1) << "a connection raises the count to one";

    ASSERT_EQ(control.ListReaders(), 0);
    EXPECT_EQ(control.GetReaderNumber(), 1);
    EXPECT_EQ(control.GetReaderName(0), u"Stub Reader 00");
    EXPECT_EQ(control.GetReaderName(1), u"");
    EXPECT_EQ(control.GetReaderName(-1), u"");
    EXPECT_EQ(control.GetReaderName(INT32_MAX), u"");
}

TEST_F(SessionArguments, ReaderStatusFailuresLeaveTheirCodeAndAnEmptyText)
{
    CVelkorCtrl control;
    EXPECT_EQ(control.GetReaderStatus(3), u"");
    EXPECT_EQ(control.State().lastErrorCode, status::kUnavailable);
    EXPECT_EQ(control.GetReaderStatus(-1), u"");
    EXPECT_EQ(control.State().lastErrorCode, status::kUnavailable);
    // No context yet, then a context but no card: the attribute cannot be read.
    EXPECT_EQ(control.GetReaderStatus(0), u"");
    EXPECT_EQ(control.State().lastErrorCode, status::kAttributeReadFailed);
    ASSERT_EQ(control.ListReaders(), 0);
    EXPECT_EQ(control.GetReaderStatus(2), u"");
    EXPECT_EQ(control.State().lastErrorCode, status::kAttributeReadFailed);
}

TEST(SessionWithoutPcsc, CardMethodsReportMinusOneAndTheControlStaysUsable)
{
    WaitRecorder waits;
    ScopedPcscLibrary library("/nonexistent/libpcsclite.so.1");
    CVelkorCtrl control;
    EXPECT_EQ(control.ConnectReader(), 0);
    EXPECT_EQ(control.ListReaders(), status::kUnavailable);
    EXPECT_EQ(control.GetReaderNumber(), -1);
    EXPECT_EQ(control.ConnectCard(u"ACS ACR83U 00 00"), status::kUnavailable);
    EXPECT_EQ(control.ReConnectCard(u"ACS ACR83U 00 00", 1), status::kUnavailable);
    EXPECT_EQ(control.CheckCardInsert(), -1);
    EXPECT_EQ(control.GetReaderStatus(0), u"");
    EXPECT_EQ(control.State().lastErrorCode, status::kAttributeReadFailed);
    EXPECT_EQ(control.DisconnectCard(), 0);
    EXPECT_EQ(control.DisconnectReader(), 0);
    EXPECT_EQ(control.GetCardStatus(), u"");
}

TEST_F(SessionArguments, DestroyingTheControlReleasesTheContextAndTheBinding)
{
    {
        CVelkorCtrl control;
        ASSERT_EQ(control.ListReaders(), 0);
        EXPECT_TRUE(control.Session().ContextEstablished());
    }
    // The binding is let go only after the context is released.
    EXPECT_FALSE(pcsc::IsPcscApiLoaded());
}

// What a session clears may have been deciphered (respData holds DES and session-key results):
// the characters are overwritten, not just cut off, by each method that clears the session.
TEST_F(SessionArguments, ClearedResponseLeavesNoCharactersBehind)
{
    const std::pair<const char*, std::function<void(CVelkorCtrl&)>> clearing[] = {
        { "ConnectCard", [](CVelkorCtrl& control) { control.ConnectCard(u"Stub Reader 00"); } },
        { "ReConnectCard",
            [](CVelkorCtrl& control) { control.ReConnectCard(u"Stub Reader 00", 0); } },
        { "DisconnectCard", [](CVelkorCtrl& control) { control.DisconnectCard(); } },
    };
    for (const auto& [name, clear] : clearing) {
        SCOPED_TRACE(name);
        CVelkorCtrl control;
        ASSERT_EQ(control.DES(0, 8, Text(u"133457799BBCDFF1"), Text(u"0123456789ABCDEF")), 0);
        const Text& response = control.State().respData;
        ASSERT_EQ(response.size(), 16u);
        const char16_t* characters = response.data();
        clear(control);
        ASSERT_TRUE(response.empty());
        ASSERT_EQ(response.data(), characters) << "the buffer is kept, so it can be inspected";
        for (size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(characters[i], u'\0') << i;
        }
    }
}

} // namespace
} // namespace velkor
