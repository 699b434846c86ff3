#include "widgets/system_colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace velkor {

SystemColors SystemColors::FromApplication()
{
    const QPalette palette = QGuiApplication::palette();
    SystemColors colors;
    colors.face = palette.color(QPalette::Active, QPalette::Button);
    colors.shadow = palette.color(QPalette::Active, QPalette::Dark);
    colors.highlight = palette.color(QPalette::Active, QPalette::Light);
    colors.light = palette.color(QPalette::Active, QPalette::Midlight);
    colors.darkShadow = palette.color(QPalette::Active, QPalette::Shadow);
    colors.buttonText = palette.color(QPalette::Active, QPalette::ButtonText);
    colors.grayText = palette.color(QPalette::Disabled, QPalette::Text);
    colors.menu = palette.color(QPalette::Active, QPalette::Window);
    return colors;
}

} // namespace velkor
