#include "widgets/color_static.h"

#include <QPainter>

#include "logical_font.h"
#include "widgets/static_style.h"
#include "widgets/system_colors.h"

namespace velkor {

CXColorStatic::CXColorStatic(QWidget* parent, uint32_t style)
    : QWidget(parent)
    , font_(font())
    , style_(style)
{
    const SystemColors colors = SystemColors::FromApplication();
    textColor_ = colors.buttonText;
    background_ = colors.face;
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CXColorStatic::SetText(const Text& text)
{
    text_ = text;
    setAccessibleName(QString::fromStdU16String(text));
    update();
}

void CXColorStatic::SetTextColor(QColor colour, bool redraw)
{
    textColor_ = colour;
    if (redraw) {
        update();
    }
}

void CXColorStatic::SetBkColor(QColor colour, bool redraw)
{
    background_ = colour;
    if (redraw) {
        update();
    }
}

void CXColorStatic::SetBold(bool bold, bool redraw)
{
    bold_ = bold;
    font_.setWeight(bold ? QFont::Bold : QFont::Normal);
    if (redraw) {
        update();
    }
}

void CXColorStatic::SetFont(const Text& face, int points, bool redraw)
{
    font_ = MakePointFont(face, points, bold_, logicalDpiY(), font_);
    if (redraw) {
        update();
    }
}

void CXColorStatic::SetTextOffset(QPoint offset)
{
    offset_ = offset;
    update();
}

void CXColorStatic::SetStyleBits(uint32_t style)
{
    style_ = style;
    update();
}

void CXColorStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    painter.setPen(textColor_);
    painter.setFont(font_);
    painter.drawText(
        rect().translated(offset_), StaticTextFlags(style_), QString::fromStdU16String(text_));
}

} // namespace velkor
