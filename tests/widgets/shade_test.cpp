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

TEST(ShadePalette, RunsFromShadowThroughFaceToHighlightAndTakesTheTint)
{
    const QList<QRgb> base = BaseShadePalette(KnownColors());
    ASSERT_EQ(base.size(), 256);
    EXPECT_EQ(base[0], qRgb(0, 0, 0));
    EXPECT_EQ(base[64], qRgb(64, 64, 64));
    EXPECT_EQ(base[127], qRgb(127, 127, 127));
    EXPECT_EQ(base[128], qRgb(128, 128, 128)); // (127 * face + highlight) / 128
    EXPECT_EQ(base[255], qRgb(255, 255, 255));

    // Full colouring gives the colour itself, each channel divided by its darkening.
    const QList<QRgb> tinted = TintPalette(base, QColor(200, 100, 50), 100, 0, 0, 100);
    EXPECT_EQ(tinted[0], qRgb(100, 100, 50));
    EXPECT_EQ(tinted[255], qRgb(100, 100, 50));
    EXPECT_EQ(TintPalette(base, QColor(9, 9, 9), 0, 0, 0, 0), base);
    // Colouring above 100 counts as 100: no channel leaves 0..255.
    EXPECT_EQ(TintPalette(base, QColor(255, 255, 255), 250, 0, 0, 0)[0], qRgb(255, 255, 255));
    // A blue darkening of 20 takes a sixth off blue only.
    EXPECT_EQ(TintPalette(base, QColor(), 0, 20, 0, 0)[255], qRgb(255, 255, 212));
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

TEST(ShadeImagesTest, PatternsFollowTheirKind)
{
    // Granularity 0 and draws of 0: no noise, the bare pattern.
    const ShadeImages horizontal
        = BuildShadeImages(QSize(10, 20), 4, Parameters(2, 0), KnownColors(), Constant(0));
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(horizontal.normal.pixelIndex(3, y), 20 + 215 * y / 20) << y;
    }
    const ShadeImages vertical
        = BuildShadeImages(QSize(10, 4), 4, Parameters(3, 0), KnownColors(), Constant(0));
    EXPECT_EQ(vertical.normal.pixelIndex(0, 0), 235);
    EXPECT_EQ(vertical.normal.pixelIndex(9, 3), 20 + 215 / 10);
    // A draw of 32767 is the one way granularity 0 still gives noise, of 1.
    const ShadeImages top
        = BuildShadeImages(QSize(10, 4), 4, Parameters(3, 0), KnownColors(), Constant(32767));
    EXPECT_EQ(top.normal.pixelIndex(0, 0), 236);

    // The vertical bump depends on x only and rises from right to left.
    const ShadeImages bump
        = BuildShadeImages(QSize(24, 12), 4, Parameters(5, 8), KnownColors(), Constant(0));
    for (int x = 0; x < 24; ++x) {
        for (int y = 1; y < 12; ++y) {
            EXPECT_EQ(bump.normal.pixelIndex(x, y), bump.normal.pixelIndex(x, 0));
        }
        if (x > 0) {
            EXPECT_LE(bump.normal.pixelIndex(x, 0), bump.normal.pixelIndex(x - 1, 0));
        }
    }
    // Noise alone with granularity 0 is a flat 128.
    const ShadeImages noise
        = BuildShadeImages(QSize(5, 5), 4, Parameters(0, 0), KnownColors(), Constant(12345));
    EXPECT_EQ(noise.normal.pixelIndex(2, 2), 128);
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

TEST_F(ShadeButtonTest, HoverPressAndKinds)
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

    CxShadeButton check(nullptr, ShadeButtonKind::kCheckBox);
    check.resize(20, 20);
    check.show();
    QTest::mouseClick(&check, Qt::LeftButton);
    EXPECT_TRUE(check.isChecked());
    QTest::mouseClick(&check, Qt::LeftButton);
    EXPECT_FALSE(check.isChecked());
    EXPECT_FALSE(check.HasBorder()); // drawn as a check box, not push-like

    QWidget group;
    CxShadeButton first(&group, ShadeButtonKind::kRadio, kButtonPushLike);
    CxShadeButton second(&group, ShadeButtonKind::kRadio, kButtonPushLike);
    first.setGeometry(0, 0, 20, 20);
    second.setGeometry(30, 0, 20, 20);
    group.show();
    QTest::mouseClick(&first, Qt::LeftButton);
    QTest::mouseClick(&first, Qt::LeftButton);
    EXPECT_TRUE(first.isChecked()); // a radio button is set, never toggled off
    QTest::mouseClick(&second, Qt::LeftButton);
    EXPECT_FALSE(first.isChecked());
    EXPECT_TRUE(second.HasBorder());
}

} // namespace
} // namespace velkor
