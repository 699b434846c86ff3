#include <gtest/gtest.h>

#include "card/pin_block.h"
#include "crypto/data_process.h"

namespace velkor {
namespace {

using card::CheckPin;
using card::Outcome;
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
    EXPECT_EQ(CheckPin(std::nullopt).outcome, Outcome::ArgumentMissing);
    for (const char16_t* pin : { u"12345", u"1234567890123", u"" }) {
        EXPECT_EQ(CheckPin(Text(pin)).outcome, Outcome::ArgumentWrongLength) << TextToUtf8(pin);
    }
    // Letters that are hexadecimal digits, and characters whose low byte is a digit, are not
    // PIN digits.
    for (const char16_t* pin :
        { u"12345a", u"1234 6", u"12345A", u"12345\u0131", u"１２３４５６" }) {
        EXPECT_EQ(CheckPin(Text(pin)).outcome, Outcome::ArgumentNotDigits) << TextToUtf8(pin);
    }
    EXPECT_TRUE(CheckPin(Text(u"123456")).Ok());

    PinBlockBytes block {};
    EXPECT_FALSE(PackPinBlock(u"12345A", block));
    EXPECT_EQ(BlockHex(block), u"FFFFFFFFFFFFFFFF");
}

} // namespace
} // namespace velkor
