#include <gtest/gtest.h>

#include "qt_test_application.h"
#include "widget_render.h"
#include "widgets/secure_static.h"

namespace velkor {
namespace {

using testing::InkIn;
using testing::OffersText;
using testing::ProtectedForDisplay;
using testing::Render;

constexpr int32_t kOffset = 13;
constexpr QRgb kWhite = 0xFFFFFF;

class SecureStaticTest : public ::testing::Test {
protected:
    // Made before the widget members below.
    QApplication& application_ = testing::TestApplication();
    void SetUp() override
    {
        display.resize(420, 30);
        display.SetBkColor(Qt::white);
        display.SetTextColor(Qt::black);
        display.SetProtection(kOffset, 40); // 40 cells of 420 / 41 = 10 units
    }
    // Characters drawn in cells 0 .. count-1 and nothing right of them.
    void ExpectCells(const QImage& image, int count, int cellWidth)
    {
        for (int i = 0; i < count; ++i) {
            EXPECT_GT(InkIn(image, QRect(i * cellWidth + 1, 0, cellWidth + 1, 30), kWhite), 0)
                << "cell " << i;
        }
        EXPECT_EQ(InkIn(image, QRect(count * cellWidth + 3, 0, 420, 30), kWhite), 0);
    }

    CSecureStatic display;
};

TEST_F(SecureStaticTest, DrawsOnlyTheDecipheredCharactersOfItsOwnKeyPosition)
{
    const Text shown = ProtectedForDisplay(u"12345678", kOffset);
    for (const int32_t mode : { 0, 1, 4 }) {
        display.SetText(shown, mode);
        ExpectCells(Render(display), 8, 10);
    }
    display.SetText(u"********", CSecureStatic::kModePlainCells);
    ExpectCells(Render(display), 8, 10);
    display.SetText(shown, CSecureStatic::kModeHidden);
    EXPECT_EQ(InkIn(Render(display), display.rect(), kWhite), 0);
    // Not base64, or protected under another key position: nothing is drawn.
    display.SetText(u"not base64 at all", 0);
    EXPECT_EQ(InkIn(Render(display), display.rect(), kWhite), 0);
    display.SetText(ProtectedForDisplay(u"1234", (kOffset + 1) % 32), 0);
    EXPECT_EQ(InkIn(Render(display), display.rect(), kWhite), 0);
}

TEST_F(SecureStaticTest, EveryTextProtectedForDisplayIsDrawn)
{
    // The longest text ProtectForDisplay takes (156 characters) and an 80-character preset.
    for (const size_t length : { size_t { 80 }, size_t { 156 } }) {
        const Text shown = ProtectedForDisplay(Text(length, u'7'), kOffset);
        ASSERT_FALSE(shown.empty());
        display.SetText(shown, CSecureStatic::kModeWhole);
        EXPECT_GT(InkIn(Render(display), display.rect(), kWhite), 0) << length;
    }
}

TEST_F(SecureStaticTest, NoOfferedTextHoldsTheCharactersShown)
{
    const Text typed = u"80516472";
    display.SetText(ProtectedForDisplay(typed, kOffset), 0);
    EXPECT_EQ(display.WindowText().find(typed), Text::npos);
    EXPECT_FALSE(OffersText(display, typed));
    EXPECT_EQ(display.toolTip().toStdU16String(), CSecureStatic::TooltipText());
}

} // namespace
} // namespace velkor
