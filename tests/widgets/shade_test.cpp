#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
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

TEST(ShadePalette, ColouringAbove100CountsAs100)
{
    const QList<QRgb> base = BaseShadePalette(KnownColors());
    ASSERT_EQ(base.size(), 256);
    EXPECT_EQ(TintPalette(base, QColor(255, 255, 255), 250, 0, 0, 0)[0], qRgb(255, 255, 255));
}

TEST(ShadeImagesTest, FacesShareThePatternAndDifferInPalette)
{
    const ShadeParameters parameters { 5, 8, 20, 5, QColor(137, 219, 245), 20, 3, 9 };
    const ShadeImages images
        = BuildShadeImages(QSize(30, 20), 4, parameters, KnownColors(), SystemShadeRandom());
    for (const QImage* image : { &images.normal, &images.down, &images.disabled, &images.over }) {
        EXPECT_EQ(image->format(), QImage::Format_Indexed8);
        EXPECT_EQ(image->size(), QSize(30, 20));
        EXPECT_EQ(image->colorCount(), 256);
    }
    EXPECT_EQ(images.disabled, images.normal);
    EXPECT_EQ(images.down, images.over);
    // Same pixels, the hover palette blended towards the highlight.
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(images.over.constBits()),
                  images.over.sizeInBytes()),
        QByteArray(
            reinterpret_cast<const char*>(images.normal.constBits()), images.normal.sizeInBytes()));
    EXPECT_EQ(
        images.over.colorTable(), TintPalette(images.normal.colorTable(), Qt::white, 20, 20, 3, 9));

    // Focus lines: width - 2 * focus - 1 and height - 2 * focus, every other pixel set.
    EXPECT_EQ(images.focusHorizontal.size(), QSize(21, 1));
    EXPECT_EQ(images.focusVertical.size(), QSize(1, 12));
    EXPECT_EQ(images.focusHorizontal.pixelIndex(0, 0), 255);
    EXPECT_EQ(images.focusHorizontal.pixelIndex(1, 0), 0);
    EXPECT_EQ(images.focusVertical.pixelIndex(0, 2), 255);
    EXPECT_EQ(images.focusVertical.pixelIndex(0, 3), 0);
    EXPECT_EQ(images.focusHorizontal.colorTable(), BaseShadePalette(KnownColors()));
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
            EXPECT_EQ(images.focusHorizontal.size(), QSize(std::max(size.width() - 9, 1), 1));
            EXPECT_EQ(images.focusVertical.size(), QSize(1, std::max(size.height() - 8, 1)));
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

TEST_F(ShadeButtonTest, EmptyCaptionOnlyChangesTheProtectedFlag)
{
    auto button = MakeButton();
    button->SetCaption(u"更正", false);
    button->SetCaption(Text(), true);
    EXPECT_EQ(button->text(), QStringLiteral("更正"));
    EXPECT_TRUE(button->CaptionProtected());
}

TEST_F(ShadeButtonTest, HoverRedrawsAndAClickIsOneClick)
{
    auto button = MakeButton();
    const QImage normal = Render(*button);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(button.get(), &enter);
    EXPECT_TRUE(button->Hovering());
    EXPECT_NE(Render(*button), normal);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button.get(), &leave);
    EXPECT_FALSE(button->Hovering());
    EXPECT_EQ(Render(*button), normal);

    QSignalSpy clicks(button.get(), &QAbstractButton::clicked);
    button->show();
    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(button->isChecked());
}

} // namespace
} // namespace velkor
