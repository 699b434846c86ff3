#include <gtest/gtest.h>

#include "crypto/data_process.h"
#include "support/hex_bytes.h"

namespace velkor {
namespace {

using testing::ToHex;

TEST(HexToBytes, DecodesBothCasesHighNibbleFirst)
{
    uint8_t out[4] = {};
    ASSERT_TRUE(CDataProcess::HexToBytes(8, u"0aF19bC2", out));
    EXPECT_EQ(ToHex({ out, 4 }), "0AF19BC2");
}

TEST(HexToBytes, OddDigitKeepsPreviousHighNibbleAsLowNibble)
{
    uint8_t zeroed[2] = { 0x00, 0x00 };
    ASSERT_TRUE(CDataProcess::HexToBytes(3, u"ABC", zeroed));
    EXPECT_EQ(ToHex({ zeroed, 2 }), "ABC0");

    uint8_t prefilled[2] = { 0xFF, 0xFF };
    ASSERT_TRUE(CDataProcess::HexToBytes(3, u"123", prefilled));
    EXPECT_EQ(ToHex({ prefilled, 2 }), "123F");
}

TEST(HexToBytes, RefusesNonDigitsAndCountsBeyondTheText)
{
    uint8_t out[8] = {};
    EXPECT_FALSE(CDataProcess::HexToBytes(2, u"0G", out));
    EXPECT_FALSE(CDataProcess::HexToBytes(3, u"00 ", out));
    // Non-ASCII characters are bad digits even when their low 8 bits spell one (U+0130 is not '0').
    EXPECT_FALSE(CDataProcess::HexToBytes(2, u"0\u0130", out));
    EXPECT_FALSE(CDataProcess::HexToBytes(2, u"\u4E41\u0142", out));
    EXPECT_FALSE(CDataProcess::HexToBytes(1, u"\uFF41", out));
    EXPECT_FALSE(CDataProcess::HexToBytes(6, u"0011", out));
    EXPECT_FALSE(CDataProcess::HexToBytes(2, u"00", nullptr));
}

TEST(BytesToHex, UpperCaseTwoDigitsPerByteAndRefusesEmpty)
{
    const uint8_t bytes[] = { 0x00, 0x9F, 0xA0, 0xFF };
    Text out = u"unchanged";
    ASSERT_TRUE(CDataProcess::BytesToHex(4, bytes, out));
    EXPECT_EQ(out, u"009FA0FF");
    Text kept = u"kept";
    EXPECT_FALSE(CDataProcess::BytesToHex(0, bytes, kept));
    EXPECT_EQ(kept, u"kept");
}

} // namespace
} // namespace velkor
