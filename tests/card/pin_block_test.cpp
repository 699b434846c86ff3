#include <gtest/gtest.h>

#include "card/pin_block.h"
#include "common/status_codes.h"
#include "crypto/data_process.h"

namespace velkor {
namespace {

using card::CheckPin;
using card::PackPinBlock;
using card::PinBlockBytes;

Text BlockHex(const PinBlockBytes& block)
{
    return CDataProcess::HexText(block);
}

TEST(PinBlock, PacksSixToTwelveDigitsHighNibbleFirstWithFTail)
{
    // The shortest, an odd length (F in a low nibble) and the longest.
    const struct {
        const char16_t* pin;
        const char16_t* block;
    } cases[] = {
        { u"123456", u"123456FFFFFFFFFF" },
        { u"1234567", u"1234567FFFFFFFFF" },
        { u"999999999999", u"999999999999FFFF" },
    };
    for (const auto& c : cases) {
        PinBlockBytes block {};
        ASSERT_TRUE(PackPinBlock(c.pin, block)) << TextToUtf8(c.pin);
        EXPECT_EQ(BlockHex(block), c.block);
    }
}

TEST(PinBlock, RefusesWhatCannotBeAPin)
{
    EXPECT_EQ(CheckPin(std::nullopt), status::kMissingArgument);
    EXPECT_EQ(CheckPin(Text(u"12345")), status::kBadLength);
    EXPECT_EQ(CheckPin(Text(u"1234567890123")), status::kBadLength);
    EXPECT_EQ(CheckPin(Text(u"")), status::kBadLength);
    EXPECT_EQ(CheckPin(Text(u"12345a")), status::kBadValue);
    EXPECT_EQ(CheckPin(Text(u"1234 6")), status::kBadValue);
    // Letters that are hexadecimal digits, and characters whose low byte is a digit, are not
    // PIN digits.
    EXPECT_EQ(CheckPin(Text(u"12345A")), status::kBadValue);
    EXPECT_EQ(CheckPin(Text(u"12345\u0131")), status::kBadValue);
    EXPECT_EQ(CheckPin(Text(u"１２３４５６")), status::kBadValue);
    EXPECT_EQ(CheckPin(Text(u"123456")), status::kOk);

    PinBlockBytes block {};
    EXPECT_FALSE(PackPinBlock(u"12345A", block));
    EXPECT_EQ(BlockHex(block), u"FFFFFFFFFFFFFFFF");
}

} // namespace
} // namespace velkor
