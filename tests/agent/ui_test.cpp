#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "agent/dialog_cancellation.h"
#include "agent/qt_ui.h"
#include "dialogs/try_firm_dialog.h"

// The Ui the agent gives a control when it has a screen (the screenless one is checked through
// the agent, in agent_message_box_test).
namespace velkor {
namespace {

// A widget application for each test, as the agent has one for its dialogs.
class QtUiTest : public ::testing::Test {
protected:
    static inline int argc = 1;
    static inline char name[] = "ui_test";
    static inline char* argv[] = { name, nullptr };
    QApplication application { argc, argv };
    QtUi ui;
};

TEST_F(QtUiTest, ShowsAModalBoxInFrontWithCaptionAndTextUntilClosedAndBalancesTheCursor)
{
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

// The confirmation dialog on screen: every control findable by its id, OK disabled until the card
// went out and came back, Enter swallowed, and the agent's cancellation closing it as cancelled.
TEST_F(QtUiTest, RunsTheConfirmationDialogInFrontUntilTheAgentCancelsIt)
{
    ConfirmationRequest request;
    request.kind = 0;
    request.document = u"<Tag1>變更密碼：確認</Tag1>";
    int probes = 0;
    // Out at the first poll, back at the second: OK is enabled half a second after the start.
    request.probeCard = [&probes] { return ++probes == 1 ? static_cast<int32_t>(0x8010000CU) : 0; };

    std::vector<int> missing;
    bool okEnabled = true;
    bool openAfterEnter = false;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CTryFirm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        std::set<int> ids;
        for (const QWidget* widget : dialog->findChildren<QWidget*>()) {
            ids.insert(widget->property(CTryFirm::kControlIdProperty).toInt());
        }
        for (const int id : { 1, 2, 1001, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019,
                 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1028, 1029, 1030, 1036 }) {
            if (!ids.contains(id)) {
                missing.push_back(id);
            }
        }
        okEnabled = dialog->ControlWidget(1)->isEnabled();
        QWidget* ok = dialog->ControlWidget(1);
        EXPECT_TRUE(QTest::qWaitFor([ok] { return ok->isEnabled(); }, 5000));
        ok->setFocus();
        QTest::keyClick(dialog, Qt::Key_Return);
        QTest::keyClick(ok, Qt::Key_Enter);
        QTest::keyClick(ok, Qt::Key_Return);
        openAfterEnter = dialog->isVisible() && !dialog->Decisions().Result();
        CancelOpenDialogs();
    });
    EXPECT_EQ(ui.RunConfirmation(request), 2);
    EXPECT_EQ(title, QString::fromUtf8("霖州銀行_網路Orvo"));
    EXPECT_TRUE(missing.empty()) << missing.size() << " controls without their id";
    EXPECT_FALSE(okEnabled);
    EXPECT_TRUE(openAfterEnter);

    request.kind = 1; // its checks fail at once: the dialog is never shown
    EXPECT_EQ(ui.RunConfirmation(request), 101);
}

// The file transfer's chooser: the path the customer accepts, nothing when the agent closes it.
TEST_F(QtUiTest, ChoosesAFileInFrontOrNothingWhenCancelled)
{
    char path[] = "/tmp/velkor_chooser_XXXXXX";
    const int file = ::mkstemp(path);
    ASSERT_GE(file, 0);
    ::close(file);

    bool inFront = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        inFront = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialog->selectFile(QString::fromUtf8(path));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(ui.ChooseFileToOpen(), Utf8ToText(path));
    EXPECT_TRUE(inFront);

    QTimer::singleShot(0, [] { CancelOpenDialogs(); });
    EXPECT_EQ(ui.ChooseFileToOpen(), std::nullopt);
    std::remove(path);
}

} // namespace
} // namespace velkor
