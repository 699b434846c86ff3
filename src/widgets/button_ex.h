#pragma once

#include <QColor>
#include <QPushButton>

#include "common/text.h"

// The flat-faced OK and Cancel button of the secure dialogs: a push-button frame filled with the
// button's own colour and a one-line caption that ends in an ellipsis when it does not fit.
namespace velkor {

class CButtonEx : public QPushButton {
    Q_OBJECT
public:
    explicit CButtonEx(const Text& caption = {}, QWidget* parent = nullptr);

    void SetBkColor(QColor colour, bool redraw = true);
    void SetTextColor(QColor colour, bool redraw = true);

    QColor BkColor() const { return background_; }
    static QColor DisabledTextColor() { return QColor(177, 171, 115); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background_;
    QColor textColor_;
};

} // namespace velkor
