#include <gtest/gtest.h>

#include "qt_test_application.h"
#include "widget_render.h"
#include "widgets/button_ex.h"
#include "widgets/color_static.h"
#include "widgets/static_style.h"

namespace velkor {
namespace {

using testing::InkIn;
using testing::Render;

// Pixels within `tolerance` of `colour` in every channel (anti-aliased text is seldom exact).
int CountColour(const QImage& image, QColor colour, int tolerance = 0)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel(image.pixel(x, y));
            count += std::abs(pixel.red() - colour.red()) <= tolerance
                    && std::abs(pixel.green() - colour.green()) <= tolerance
                    && std::abs(pixel.blue() - colour.blue()) <= tolerance
                ? 1
                : 0;
        }
    }
    return count;
}

class LabelAndButtonTest : public ::testing::Test {
protected:
    QApplication& application_ = testing::TestApplication();
};

TEST_F(LabelAndButtonTest, ColouredLabelDrawsItsTextAlignedAndOffset)
{
    CXColorStatic label(nullptr, kStaticRight | kStaticCentreImage);
    label.resize(300, 24);
    label.SetBkColor(QColor(254, 242, 233));
    label.SetTextColor(Qt::red);
    label.SetFont(u"新細明體", 12);
    label.SetText(u"秒後自動登出");
    const QRgb background = qRgb(254, 242, 233);
    QImage image = Render(label);
    EXPECT_EQ(InkIn(image, QRect(0, 0, 150, 24), background), 0);
    EXPECT_GT(CountColour(image, Qt::red, 60), 10); // CJK glyphs drawn, in the label's colour
    EXPECT_EQ(label.accessibleName(), QStringLiteral("秒後自動登出")); // plain labels are offered

    label.SetStyleBits(kStaticCentreImage);
    label.SetTextOffset(QPoint(40, 0));
    image = Render(label);
    EXPECT_EQ(InkIn(image, QRect(0, 0, 40, 24), background), 0);
    EXPECT_GT(InkIn(image, QRect(40, 0, 100, 24), background), 0);
}

TEST_F(LabelAndButtonTest, FlatButtonFillsItsColourAndGreysWhenDisabled)
{
    CButtonEx button(u"確定");
    button.resize(90, 26);
    const QColor face(254, 238, 226);
    button.SetBkColor(face);
    EXPECT_GT(CountColour(Render(button), face), 90 * 26 / 2);
    EXPECT_EQ(CountColour(Render(button), CButtonEx::DisabledTextColor(), 20), 0);
    button.setEnabled(false);
    const QImage disabled = Render(button);
    EXPECT_EQ(CountColour(disabled, face), 0); // the inside takes the desktop face colour
    EXPECT_GT(CountColour(disabled, CButtonEx::DisabledTextColor(), 20), 0);
}

} // namespace
} // namespace velkor
