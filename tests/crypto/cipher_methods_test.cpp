#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "control/velkor_ctrl.h"

namespace velkor {
namespace {

const Text kFipsKey = u"0123456789ABCDEF";
const Text kTdeaKey3 = u"0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";

// Published vectors through the scripting methods: FIPS 46-3/81 DES, SP 800-67 TDEA.
TEST(DesMethod, KnownAnswersForEachKeyLength)
{
    CVelkorCtrl control;
    EXPECT_EQ(control.DES(0, 8, kFipsKey, Text(u"4E6F772069732074")), 0);
    EXPECT_EQ(control.GetRespData(), u"3FA40E8A984D4815");
    EXPECT_EQ(control.DES(0, 24, kTdeaKey3, Text(u"5468652071756663")), 0);
    EXPECT_EQ(control.GetRespData(), u"A826FD8CE53B855F");
    EXPECT_EQ(control.DES(1, 24, kTdeaKey3, Text(u"a826fd8ce53b855f")), 0);
    EXPECT_EQ(control.GetRespData(), u"5468652071756663");
    // Two-key TDEA with equal halves is single DES; deciphering gives back upper case.
    EXPECT_EQ(
        control.DES(0, 16, Text(u"0123456789abcdef0123456789ABCDEF"), Text(u"4E6F772069732074")),
        0);
    EXPECT_EQ(control.GetRespData(), u"3FA40E8A984D4815");
    EXPECT_EQ(
        control.DES(1, 16, Text(u"0123456789ABCDEF0123456789ABCDEF"), Text(u"3fa40e8a984d4815")),
        0);
    EXPECT_EQ(control.GetRespData(), u"4E6F772069732074");
}

TEST(DesMethod, StatusesInCheckOrderAndRespDataKeptOnFailure)
{
    CVelkorCtrl control;
    ASSERT_EQ(control.DES(0, 8, kFipsKey, Text(u"4E6F772069732074")), 0);
    const Text previous = control.GetRespData();
    EXPECT_EQ(control.DES(2, 8, kFipsKey, Text(u"4E6F772069732074")), status::kBadValue);
    EXPECT_EQ(control.DES(0, 12, kFipsKey, Text(u"4E6F772069732074")), status::kBadValue);
    EXPECT_EQ(control.DES(0, 32, std::nullopt, std::nullopt), status::kBadValue);
    EXPECT_EQ(control.DES(0, 8, std::nullopt, Text(u"4E6F772069732074")), status::kMissingArgument);
    EXPECT_EQ(control.DES(0, 8, kFipsKey, std::nullopt), status::kMissingArgument);
    EXPECT_EQ(control.DES(0, 16, kFipsKey, Text(u"4E6F772069732074")), status::kBadLength);
    EXPECT_EQ(control.DES(0, 8, kFipsKey, Text(u"4E6F7720697320")), status::kBadLength);
    EXPECT_EQ(control.DES(0, 8, kFipsKey, Text(u"4E6F77206973207400")), status::kBadLength);
    EXPECT_EQ(control.DES(0, 8, Text(u"G123456789ABCDEF"), Text(u"4E6F772069732074")),
        status::kCipherFailed);
    EXPECT_EQ(control.DES(1, 8, kFipsKey, Text(u"4E6F77206973207Z")), status::kCipherFailed);
    EXPECT_EQ(control.GetRespData(), previous);
    // An odd key text is accepted; its last digit is not used.
    EXPECT_EQ(control.DES(0, 8, Text(u"0123456789ABCDEFX"), Text(u"4E6F772069732074")), 0);
    EXPECT_EQ(control.GetRespData(), previous);
}

TEST(MacMethod, LastCbcBlockAndItsChecks)
{
    CVelkorCtrl control;
    // FIPS 81 CBC example: the MAC is its last ciphertext block.
    const Text data = u"4E6F77206973207468652074696D6520666F7220616C6C20";
    EXPECT_EQ(control.MAC(8, kFipsKey, Text(u"1234567890ABCDEF"), 24, data), 0);
    EXPECT_EQ(control.GetRespData(), u"683788499A7C05F6");
    // One block: DES of data XOR ICV.
    EXPECT_EQ(
        control.MAC(24, kTdeaKey3, Text(u"0000000000000000"), 8, Text(u"5468652071756663")), 0);
    EXPECT_EQ(control.GetRespData(), u"A826FD8CE53B855F");

    const Text previous = control.GetRespData();
    const Text block16(32, u'A');
    EXPECT_EQ(control.MAC(12, kFipsKey, Text(u"0000000000000000"), 16, block16), status::kBadValue);
    EXPECT_EQ(control.MAC(8, kFipsKey, std::nullopt, 16, block16), status::kMissingArgument);
    EXPECT_EQ(control.MAC(8, kFipsKey, Text(u"00000000000000"), 16, block16), status::kBadLength);
    EXPECT_EQ(control.MAC(8, kFipsKey, Text(u"0000000000000000"), 1032, Text(2064, u'0')),
        status::kBadValue);
    EXPECT_EQ(
        control.MAC(8, kFipsKey, Text(u"0000000000000000"), 12, Text(24, u'0')), status::kBadValue);
    EXPECT_EQ(control.MAC(8, kFipsKey, Text(u"0000000000000000"), 16, Text(31, u'0')),
        status::kBadLength);
    EXPECT_EQ(control.MAC(8, Text(u"G123456789ABCDEF"), Text(u"0000000000000000"), 16, block16),
        status::kCipherFailed);
    EXPECT_EQ(control.GetRespData(), previous);
    // 33 digits for 16 bytes: the last one is ignored. 1024 bytes is the largest.
    EXPECT_EQ(control.MAC(8, kFipsKey, Text(u"0000000000000000"), 16, Text(33, u'0')), 0);
    EXPECT_EQ(
        control.MAC(16, Text(32, u'1'), Text(u"0000000000000000"), 1024, Text(2048, u'F')), 0);
}

TEST(Conversions, BothDirectionsAndFailuresRecordTheCode)
{
    CVelkorCtrl control;
    EXPECT_EQ(control.ConvertIntToHex(3, Text(u"ABCDEF")), u"414243");
    EXPECT_EQ(control.ConvertIntToHex(1, Text(u"\u4E2D")), u"2D");
    EXPECT_EQ(control.ConvertHexToInt(6, Text(u"414243")), u"ABC");
    EXPECT_EQ(control.ConvertHexToInt(5, Text(u"41424")), u"AB");
    EXPECT_EQ(control.ConvertHexToInt(8, Text(u"41004243")), u"A");
    EXPECT_EQ(control.ConvertHexToInt(2, Text(u"FF")), u"\u00FF");
    EXPECT_EQ(control.State().lastErrorCode, 0);

    const std::pair<int32_t, OptText> intToHexFailures[] = { { 1, std::nullopt }, { 0, Text(u"A") },
        { 4097, Text(4097, u'A') }, { 5, Text(u"ABC") } };
    for (const auto& [length, text] : intToHexFailures) {
        CVelkorCtrl fresh;
        EXPECT_EQ(fresh.ConvertIntToHex(length, text), u"");
        EXPECT_EQ(fresh.State().lastErrorCode, status::kConversionFailed) << length;
    }
    const std::pair<int32_t, OptText> hexToIntFailures[] = { { 2, std::nullopt },
        { 0, Text(u"41") }, { 8193, Text(8193, u'4') }, { 4, Text(u"41") }, { 4, Text(u"41G2") } };
    for (const auto& [length, text] : hexToIntFailures) {
        CVelkorCtrl fresh;
        EXPECT_EQ(fresh.ConvertHexToInt(length, text), u"");
        EXPECT_EQ(fresh.State().lastErrorCode, status::kConversionFailed) << length;
    }
    EXPECT_EQ(control.ConvertIntToHex(4096, Text(4096, u'a')).size(), 8192u);
}

} // namespace
} // namespace velkor
