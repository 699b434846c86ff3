#include <gtest/gtest.h>

#include "common/text.h"

namespace velkor {
namespace {

TEST(Utf8Text, RoundTripsBmpAndSupplementaryCharacters)
{
    const std::string utf8 = "ACS ACR83U 霖州銀行 \xF0\x9F\x92\xB3";
    const Text text = Utf8ToText(utf8);
    EXPECT_EQ(text.size(), 18u); // the card emoji is a surrogate pair
    EXPECT_EQ(TextToUtf8(text), utf8);
}

TEST(Utf8Text, MalformedInputBecomesReplacementCharacters)
{
    EXPECT_EQ(Utf8ToText("a\xC3"), u"a\uFFFD"); // truncated sequence at the end
    EXPECT_EQ(Utf8ToText("\xC0\xAF"), u"\uFFFD"); // overlong form
    EXPECT_EQ(Utf8ToText("\xED\xA0\x80x"), u"\uFFFDx"); // encoded surrogate
    EXPECT_EQ(TextToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD"); // lone surrogate
}

TEST(Low8Bytes, EachCodeUnitGivesItsLowByteAndBack)
{
    const auto bytes = TextLow8(u"A\u4E2D\u00FF");
    ASSERT_EQ(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0x41);
    EXPECT_EQ(bytes[1], 0x2D);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(BytesAsText(bytes.data(), bytes.size()), u"A\u002D\u00FF");
}

} // namespace
} // namespace velkor
