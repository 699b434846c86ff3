#pragma once

#include <QApplication>

#include "widgets/dialog_font_faces.h"

namespace velkor::testing {

// The one QApplication of a widget test program, made on first use (offscreen, as CMake sets).
inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "velkor-widget-test";
    static char* argv[] = { name, nullptr };
    static QApplication app(argc, argv);
    RegisterDialogFontFaces();
    return app;
}

} // namespace velkor::testing
