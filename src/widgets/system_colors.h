#pragma once

#include <QColor>

// The desktop colours the widgets draw with (button face, shadow, highlight, texts), taken from the
// application's palette so that the dialogs follow the desktop theme.
namespace velkor {

struct SystemColors {
    QColor face; // button face
    QColor shadow; // 3-D shadow
    QColor highlight; // 3-D highlight
    QColor light; // the lighter inner edge of a raised frame
    QColor darkShadow; // the outer dark edge of a raised frame
    QColor buttonText;
    QColor grayText;
    QColor menu;

    static SystemColors FromApplication();
};

} // namespace velkor
