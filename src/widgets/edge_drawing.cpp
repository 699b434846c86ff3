#include "edge_drawing.h"

namespace velkor {

QRect DrawFrame(QPainter& painter, const QRect& rect, QColor topLeft, QColor bottomRight)
{
    if (rect.width() < 1 || rect.height() < 1) {
        return rect;
    }
    painter.fillRect(rect.left(), rect.top(), rect.width(), 1, topLeft);
    painter.fillRect(rect.left(), rect.top(), 1, rect.height(), topLeft);
    painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
    painter.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
    return rect.adjusted(1, 1, -1, -1);
}

QRect DrawRaisedEdge(QPainter& painter, const QRect& rect, const SystemColors& colors)
{
    const QRect inner = DrawFrame(painter, rect, colors.light, colors.darkShadow);
    return DrawFrame(painter, inner, colors.highlight, colors.shadow);
}

QRect DrawSunkenEdge(QPainter& painter, const QRect& rect, const SystemColors& colors)
{
    const QRect inner = DrawFrame(painter, rect, colors.shadow, colors.highlight);
    return DrawFrame(painter, inner, colors.darkShadow, colors.light);
}

} // namespace velkor
