#pragma once

#include <QAccessible>
#include <QImage>
#include <QRect>
#include <QWidget>

#include "common/text.h"

// Rendering a widget offscreen and looking at what it drew.
namespace velkor::testing {

inline QImage Render(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels in `area` that differ from `background`.
inline int InkIn(const QImage& image, const QRect& area, QRgb background)
{
    int ink = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            ink += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF) ? 1 : 0;
        }
    }
    return ink;
}

// Every text the widget offers other programs: its accessible name, description and value, its
// tooltip, its window title and What's This text.
inline QStringList OfferedTexts(QWidget& widget)
{
    QStringList texts { widget.accessibleName(), widget.accessibleDescription(), widget.toolTip(),
        widget.windowTitle(), widget.whatsThis() };
    if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&widget)) {
        for (const auto kind : { QAccessible::Name, QAccessible::Description, QAccessible::Value,
                 QAccessible::Help }) {
            texts << accessible->text(kind);
        }
    }
    return texts;
}

inline bool OffersText(QWidget& widget, const Text& plain)
{
    const QString needle = QString::fromStdU16String(plain);
    for (const QString& text : OfferedTexts(widget)) {
        if (text.contains(needle)) {
            return true;
        }
    }
    return false;
}

// `text` protected for display under `offset`, as the dialogs hand it to the widgets.
Text ProtectedForDisplay(std::u16string_view text, int32_t offset);

} // namespace velkor::testing
