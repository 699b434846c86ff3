#include <gtest/gtest.h>

#include "qt_test_application.h"
#include "widget_render.h"
#include "widgets/shade_button.h"
#include "widgets/shade_images.h"

namespace velkor {
namespace {

using testing::OffersText;
using testing::ProtectedForDisplay;
using testing::Render;

SystemColors KnownColors()
{
    SystemColors colors;
    colors.shadow = QColor(0, 0, 0);
    colors.face = QColor(128, 128, 128);
    colors.highlight = QColor(255, 255, 255);
    return colors;
}

ShadeRandom Constant(int value)
{
    return [value] { return value; };
}

ShadeParameters Parameters(int kind, uint8_t granularity)
{
    return { kind, granularity, 20, 0, QColor(0, 0, 0), 0, 0, 0 };
}

TEST(ShadeImagesTest, TinyAndEmptyButtonsGetWholeImages)
{
    // Every kind on sizes whose divisors would otherwise be zero; ASan checks the metal strokes.
    for (int kind = 0; kind <= 9; ++kind) {
        for (const QSize size :
            { QSize(0, 0), QSize(1, 1), QSize(3, 1), QSize(5, 2), QSize(40, 3) }) {
            const ShadeImages images = BuildShadeImages(
                size, 4, Parameters(kind, 0), KnownColors(), SystemShadeRandom());
            EXPECT_EQ(images.normal.size(), size.expandedTo(QSize(1, 1)));
            EXPECT_FALSE(images.focusHorizontal.isNull() || images.focusVertical.isNull());
        }
    }
    const ShadeImages big
        = BuildShadeImages(QSize(40000, 2), 4, Parameters(8, 8), KnownColors(), Constant(32767));
    EXPECT_EQ(big.normal.width(), 40000);
}

class ShadeButtonTest : public ::testing::Test {
protected:
    // Made before the widget members below.
    QApplication& application_ = testing::TestApplication();

    // A button whose face does not vary between runs.
    std::unique_ptr<CxShadeButton> MakeButton()
    {
        auto button = std::make_unique<CxShadeButton>();
        button->resize(40, 30);
        button->SetShadeRandom(Constant(100));
        button->SetShade(5, 8, 20, 5, QColor(137, 219, 245), 20, 1, 2);
        button->SetTextColor(Qt::black);
        return button;
    }
};

TEST_F(ShadeButtonTest, ProtectedCaptionIsDrawnDecipheredAndNeverOffered)
{
    auto plain = MakeButton();
    plain->SetCaption(u"7", false);
    auto secured = MakeButton();
    secured->SetCaptionKey(21, true);
    secured->SetCaption(ProtectedForDisplay(u"7", 21), true);
    auto blank = MakeButton();
    EXPECT_EQ(Render(*secured), Render(*plain));
    EXPECT_NE(Render(*secured), Render(*blank));
    EXPECT_NE(secured->text(), QStringLiteral("7"));
    EXPECT_FALSE(OffersText(*secured, u"7"));

    // Under another key position, or not base64 at all: no caption.
    secured->SetCaptionKey(22, true);
    EXPECT_EQ(Render(*secured), Render(*blank));
    secured->SetCaption(u"@@@@", true);
    EXPECT_EQ(Render(*secured), Render(*blank));
}

} // namespace
} // namespace velkor
