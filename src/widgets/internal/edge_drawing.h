#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

#include "widgets/system_colors.h"

// Two-pixel 3-D edges and one-pixel frames as the desktop draws its buttons.
namespace velkor {

// A one-pixel frame, `topLeft` on the top and left sides, `bottomRight` on the others. Returns the
// rectangle inside it.
QRect DrawFrame(QPainter& painter, const QRect& rect, QColor topLeft, QColor bottomRight);
// Raised: light outside and highlight inside on the top and left, shadows on the bottom and right.
QRect DrawRaisedEdge(QPainter& painter, const QRect& rect, const SystemColors& colors);
// Sunken: the reverse.
QRect DrawSunkenEdge(QPainter& painter, const QRect& rect, const SystemColors& colors);

} // namespace velkor
