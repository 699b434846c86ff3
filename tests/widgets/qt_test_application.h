#pragma once

#include <QApplication>
#include <gtest/gtest.h>

#include "widgets/dialog_font_faces.h"

namespace velkor::testing {

// The one QApplication of a widget test program, made on first use (offscreen, as CMake sets) and
// destroyed when the tests end, before Qt's own globals go away at exit.
inline QApplication& TestApplication()
{
    class Teardown final : public ::testing::Environment {
    public:
        explicit Teardown(QApplication* app)
            : app_(app)
        {
        }
        void TearDown() override { delete app_; }

    private:
        QApplication* app_;
    };
    static int argc = 1;
    static char name[] = "velkor-widget-test";
    static char* argv[] = { name, nullptr };
    static QApplication* app = [] {
        auto* made = new QApplication(argc, argv);
        ::testing::AddGlobalTestEnvironment(new Teardown(made));
        RegisterDialogFontFaces();
        return made;
    }();
    return *app;
}

} // namespace velkor::testing
