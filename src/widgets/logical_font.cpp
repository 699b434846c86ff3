#include "logical_font.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace velkor {

namespace {

constexpr size_t kFaceNameLimit = 31;

} // namespace

QFont MakeLogicalFont(const FontDescription& description, const QFont& base)
{
    QFont font(base);
    if (!description.face.empty()) {
        font.setFamily(QString::fromStdU16String(description.face.substr(0, kFaceNameLimit)));
    }
    if (description.height < 0) {
        font.setPixelSize(-description.height);
    } else if (description.height > 0) {
        // A positive height is the whole cell: scale the em so ascent + descent fits it.
        font.setPixelSize(description.height);
        const qreal cell = QFontMetricsF(font).height();
        if (cell > 0) {
            const int em
                = static_cast<int>(std::lround(description.height * description.height / cell));
            font.setPixelSize(std::max(em, 1));
        }
    }
    if (description.weight > 0) {
        font.setWeight(static_cast<QFont::Weight>(std::clamp(description.weight, 1, 1000)));
    }
    font.setItalic(description.italic);
    font.setUnderline(description.underline);
    font.setStyleStrategy(description.antialiased ? QFont::PreferAntialias : QFont::NoAntialias);
    if (description.width > 0) {
        const qreal natural = QFontMetricsF(font).averageCharWidth();
        if (natural > 0) {
            font.setStretch(std::clamp(
                static_cast<int>(std::lround(100.0 * description.width / natural)), 1, 4000));
        }
    }
    return font;
}

int PointsToLogicalHeight(int points, int dpiY)
{
    return -(points * dpiY / 72);
}

QFont MakePointFont(const Text& face, int points, bool bold, int dpiY, const QFont& base)
{
    FontDescription description;
    description.face = face;
    description.height = PointsToLogicalHeight(points, dpiY);
    description.weight = bold ? 700 : 400;
    return MakeLogicalFont(description, base);
}

} // namespace velkor
