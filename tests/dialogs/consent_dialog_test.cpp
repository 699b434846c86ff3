#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "dialogs/consent_dialog.h"
#include "qt_test_application.h"

namespace velkor {
namespace {

// The prompt's own behaviour; what an answer means is ConsentPolicy's (tests/agent).
class ConsentDialogTest : public ::testing::Test {
protected:
    // Runs the dialog modally and does `during` once it is open.
    ConsentAnswer RunWith(ConsentDialog& dialog, std::function<void()> during)
    {
        QTimer::singleShot(0, &dialog, std::move(during));
        return dialog.Run();
    }
    QApplication& application_ = testing::TestApplication();
};

TEST_F(ConsentDialogTest, AllowingNeedsTheAnswersArmedAndRefusalHasTheFocus)
{
    ConsentDialog dialog(QStringLiteral("https://ebank.example"), 30);
    const ConsentAnswer answer = RunWith(dialog, [&] {
        EXPECT_FALSE(dialog.AllowAlwaysButton()->isEnabled());
        QTest::mouseClick(dialog.AllowAlwaysButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << "a click meant for the page must not answer";
        EXPECT_EQ(dialog.focusWidget(), dialog.RefuseButton());
        QTest::qWait(ConsentDialog::kArmingMilliseconds + 100);
        QTest::mouseClick(dialog.AllowAlwaysButton(), Qt::LeftButton);
    });
    EXPECT_EQ(answer, ConsentAnswer::AllowAlways);
}

TEST_F(ConsentDialogTest, CountdownEscapeAndRefuseEndWithoutConsent)
{
    ConsentDialog counted(QStringLiteral("https://a.example"), 2);
    EXPECT_EQ(RunWith(counted,
                  [&] {
                      counted.TickSecond();
                      counted.TickSecond();
                  }),
        ConsentAnswer::NoAnswer);
    ConsentDialog escaped(QStringLiteral("https://a.example"), 30);
    EXPECT_EQ(RunWith(escaped, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); }),
        ConsentAnswer::NoAnswer);
    ConsentDialog refused(QStringLiteral("https://a.example"), 30);
    EXPECT_EQ(RunWith(refused, [&] { QTest::mouseClick(refused.RefuseButton(), Qt::LeftButton); }),
        ConsentAnswer::Refuse);
}

} // namespace
} // namespace velkor
