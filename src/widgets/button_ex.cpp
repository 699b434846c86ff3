#include "widgets/button_ex.h"

#include <QPainter>

#include "edge_drawing.h"
#include "widgets/system_colors.h"

namespace velkor {

CButtonEx::CButtonEx(const Text& caption, QWidget* parent)
    : QPushButton(QString::fromStdU16String(caption), parent)
{
    const SystemColors colors = SystemColors::FromApplication();
    background_ = colors.face;
    textColor_ = colors.buttonText;
}

void CButtonEx::SetBkColor(QColor colour, bool redraw)
{
    background_ = colour;
    if (redraw) {
        update();
    }
}

void CButtonEx::SetTextColor(QColor colour, bool redraw)
{
    textColor_ = colour;
    if (redraw) {
        update();
    }
}

void CButtonEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const SystemColors colors = SystemColors::FromApplication();
    QRect area = rect();
    painter.fillRect(area, colors.face);
    if (hasFocus()) {
        // Drawn twice, in the face colour and then the text colour, so the mark shows on any face.
        const QRect mark = area.adjusted(3, 3, -4, -4);
        painter.setPen(QPen(colors.face, 1, Qt::DotLine));
        painter.drawRect(mark);
        painter.setPen(QPen(colors.buttonText, 1, Qt::DotLine));
        painter.drawRect(mark);
    }
    const QRect inside
        = isDown() ? DrawSunkenEdge(painter, area, colors) : DrawRaisedEdge(painter, area, colors);
    painter.fillRect(inside, isEnabled() ? background_ : colors.face);
    painter.setPen(isEnabled() ? textColor_ : DisabledTextColor());
    painter.setFont(font());
    const QString caption
        = painter.fontMetrics().elidedText(text(), Qt::ElideRight, inside.width());
    painter.drawText(inside.translated(isDown() ? QPoint(1, 1) : QPoint()),
        Qt::AlignCenter | Qt::TextSingleLine, caption);
}

} // namespace velkor
