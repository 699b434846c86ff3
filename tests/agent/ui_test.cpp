#include <gtest/gtest.h>

#include <sstream>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "agent/qt_ui.h"
#include "control/headless_ui.h"

// The two Ui implementations the agent gives a control.
namespace velkor {
namespace {

TEST(HeadlessUi, WritesTheBoxAsCaptionAndTextAndReturnsAtOnce)
{
    std::ostringstream out;
    HeadlessUi ui(&out);
    ui.ShowMessage(u"請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵", u"霖州銀行");
    ui.SetWaitCursor();
    ui.SetArrowCursor();
    EXPECT_EQ(out.str(), "[霖州銀行] 請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵\n");
}

TEST(QtUi, ShowsAModalBoxInFrontWithCaptionAndTextUntilClosedAndBalancesTheCursor)
{
    static int argc = 1;
    static char name[] = "ui_test";
    static char* argv[] = { name, nullptr };
    QApplication application(argc, argv);
    QtUi ui;

    QString title;
    QString text;
    bool modal = false;
    bool inFront = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        modal = box->isModal();
        // The agent is not the browser: the box must come up above it, with the focus.
        inFront = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
            && QTest::qWaitForWindowActive(box, 2000);
        box->button(QMessageBox::Ok)->click();
    });
    ui.ShowMessage(u"請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵", u"霖州銀行");
    EXPECT_EQ(title, QString::fromUtf8("霖州銀行"));
    EXPECT_EQ(text, QString::fromUtf8("請於晶片讀卡機上輸入晶片密碼後，按下『確認』鍵"));
    EXPECT_TRUE(modal);
    EXPECT_TRUE(inFront);

    ui.SetWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.SetArrowCursor();
    ui.SetArrowCursor(); // one more than set: nothing of the application's own is undone
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace velkor
