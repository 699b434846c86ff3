#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QWidget>
#include <cstdint>

#include "common/text.h"

// A static text with its own colours and font: the labels, headings, hints and countdowns of the
// secure dialogs. Its text is plain and is offered to accessibility tools as the label's name.
namespace velkor {

class CXColorStatic : public QWidget {
    Q_OBJECT
public:
    explicit CXColorStatic(QWidget* parent = nullptr, uint32_t style = 0);

    void SetText(const Text& text);
    void SetTextColor(QColor colour, bool redraw = true);
    void SetBkColor(QColor colour, bool redraw = true);
    void SetBold(bool bold, bool redraw = true);
    // An empty face keeps the current family; `points` on this display's vertical resolution.
    void SetFont(const Text& face, int points, bool redraw = true);
    void SetTextOffset(QPoint offset);
    void SetStyleBits(uint32_t style);

    const Text& WindowText() const { return text_; }
    QColor TextColor() const { return textColor_; }
    QColor BkColor() const { return background_; }
    const QFont& OwnFont() const { return font_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Text text_;
    QFont font_;
    QColor textColor_;
    QColor background_;
    bool bold_ = false;
    QPoint offset_;
    uint32_t style_ = 0;
};

} // namespace velkor
