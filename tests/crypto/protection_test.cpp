#include <gtest/gtest.h>

#include "crypto/data_process.h"

namespace velkor {
namespace {

TEST(DialogKey, SealOpenRoundTripOnlyWithTheSameWindow)
{
    WrappedDialogKey wrapped {};
    ASSERT_TRUE(CDataProcess::MakeDialogKey(31, 3, wrapped));
    const uint8_t plain[16] = { '1', 0, '2', 0, '3', 0, '4', 0, '5', 0, '6', 0, '7', 0, '8', 0 };
    uint8_t sealed[16];
    ASSERT_TRUE(CDataProcess::SealWithDialogKey(16, plain, sealed, wrapped, 31, 3));
    EXPECT_FALSE(std::equal(std::begin(plain), std::end(plain), sealed));
    uint8_t opened[16];
    ASSERT_TRUE(CDataProcess::OpenWithDialogKey(16, sealed, opened, wrapped, 31, 3));
    EXPECT_TRUE(std::equal(std::begin(plain), std::end(plain), opened));
    ASSERT_TRUE(CDataProcess::OpenWithDialogKey(16, sealed, opened, wrapped, 31, 2));
    EXPECT_FALSE(std::equal(std::begin(plain), std::end(plain), opened));

    // Two dialogs never share a key.
    WrappedDialogKey other {};
    ASSERT_TRUE(CDataProcess::MakeDialogKey(31, 3, other));
    EXPECT_NE(wrapped, other);
}

TEST(DialogKey, RefusesWindowsOutsideTheTableAndPartialBlocks)
{
    WrappedDialogKey wrapped {};
    EXPECT_FALSE(CDataProcess::MakeDialogKey(32, 0, wrapped));
    EXPECT_FALSE(CDataProcess::MakeDialogKey(0, 4, wrapped));
    EXPECT_FALSE(CDataProcess::MakeDialogKey(-1, 0, wrapped));
    ASSERT_TRUE(CDataProcess::MakeDialogKey(0, 0, wrapped));
    uint8_t data[16] = {};
    EXPECT_FALSE(CDataProcess::SealWithDialogKey(12, data, data, wrapped, 0, 0));
    EXPECT_FALSE(CDataProcess::OpenWithDialogKey(8, data, data, wrapped, 0, 9));
}

TEST(DisplayProtection, OneCharacterIsOneBlockAndRevealsOnlyWithItsOffset)
{
    const uint8_t character[2] = { 0x2D, 0x4E }; // U+4E2D
    Text protectedText;
    ASSERT_EQ(CDataProcess::ProtectForDisplay(2, character, 5, protectedText), 0);
    EXPECT_EQ(protectedText.size(), 12u);
    Text other;
    CDataProcess::ProtectForDisplay(2, character, 6, other);
    EXPECT_NE(other, protectedText);

    Text plain;
    ASSERT_TRUE(CDataProcess::RevealForDisplay(protectedText, 5, plain));
    EXPECT_EQ(plain, u"\u4E2D");
    Text wrong;
    if (CDataProcess::RevealForDisplay(protectedText, 6, wrong)) {
        EXPECT_NE(wrong, u"\u4E2D");
    }
    EXPECT_FALSE(CDataProcess::RevealForDisplay(u"not base64", 5, wrong));
}

TEST(DisplayProtection, LongestTextRoundTripsAndLongerIsRefused)
{
    uint8_t text[CDataProcess::kDisplayTextMaxBytes + 2];
    for (size_t i = 0; i < sizeof text; ++i) {
        text[i] = static_cast<uint8_t>(i % 2 == 0 ? 'a' + i % 26 : 0);
    }
    Text protectedText;
    CDataProcess::ProtectForDisplay(CDataProcess::kDisplayTextMaxBytes, text, 31, protectedText);
    Text plain;
    ASSERT_TRUE(CDataProcess::RevealForDisplay(protectedText, 31, plain));
    EXPECT_EQ(plain.size(), 156u);

    Text untouched = u"kept";
    CDataProcess::ProtectForDisplay(0, text, 0, untouched);
    EXPECT_EQ(untouched, u"kept");
    CDataProcess::ProtectForDisplay(CDataProcess::kDisplayTextMaxBytes + 2, text, 0, untouched);
    EXPECT_EQ(untouched, u"");
}

} // namespace
} // namespace velkor
