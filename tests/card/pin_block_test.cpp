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
    // Letters that are hexadecimal digits, and characters whose low byte is a digit, are not
    // PIN digits.
    const struct {
        const char16_t* pin;
        Outcome outcome;
    } cases[] = {
        { u"12345", Outcome::ArgumentWrongLength },
        { u"1234567890123", Outcome::ArgumentWrongLength },
        { u"", Outcome::ArgumentWrongLength },
        { u"12345a", Outcome::ArgumentNotDigits },
        { u"1234 6", Outcome::ArgumentNotDigits },
        { u"12345A", Outcome::ArgumentNotDigits },
        { u"12345\u0131", Outcome::ArgumentNotDigits },
        { u"１２３４５６", Outcome::ArgumentNotDigits },
        { u"123456", Outcome::Done },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckPin(Text(c.pin)).outcome, c.outcome) << TextToUtf8(c.pin);
    }

    PinBlockBytes block {};
    EXPECT_FALSE(PackPinBlock(u"12345A", block));
    EXPECT_EQ(BlockHex(block), u"FFFFFFFFFFFFFFFF");
}

} // namespace
} // namespace velkor
