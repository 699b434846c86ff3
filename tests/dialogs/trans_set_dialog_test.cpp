#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "dialogs/trans_set_dialog.h"
#include "qt_test_application.h"
#include "recording_message_sink.h"

// The transfer-account windows offscreen: the controls carry their ids and forward clicks, focus
// and list choices to the decisions, and OK closes the window with the results filled in.
namespace velkor {
namespace {

using namespace trans_set;

class TransSetWindow : public ::testing::Test {
protected:
    QApplication& application_ = testing::TestApplication();
    TransferAccountRequest request;
    testing::RecordingMessageSink messages;
};

TEST_F(TransSetWindow, ForwardsTheCustomerToTheDecisionsAndClosesOnOk)
{
    const Text document = u"<KeyType>4</KeyType><AtmNode>甲%%004||0001;;</AtmNode><AtmNode/>"
                          u"<AtmNode>乙銀行%%812;;</AtmNode>";
    request.document = document;
    CTransSet dialog(request, messages);
    ASSERT_FALSE(dialog.Prepare());
    EXPECT_EQ(dialog.windowTitle(), QString::fromStdU16String(kWebAtmTitle));
    auto* agreed = qobject_cast<QComboBox*>(dialog.ControlWidget(kAgreedList));
    ASSERT_NE(agreed, nullptr);
    EXPECT_EQ(agreed->currentText(), QStringLiteral("甲"));
    EXPECT_FALSE(dialog.ControlWidget(kCommonRadio)->isEnabled());
    EXPECT_EQ(dialog.ControlWidget(kFirstKey + 3)->property("controlId").toInt(), kFirstKey + 3);

    dialog.show();
    QTest::mouseClick(dialog.ControlWidget(kFirstKey + 6), Qt::LeftButton); // "7" in fixed order
    EXPECT_TRUE(qobject_cast<QRadioButton*>(dialog.ControlWidget(kOtherRadio))->isChecked());
    EXPECT_EQ(dialog.Decisions().DisplayCharacters(), u"7");
    EXPECT_TRUE(dialog.ControlWidget(kAddToCommon)->isEnabled());
    QTest::mouseClick(dialog.ControlWidget(kOk), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), kConfirmed);
    dialog.Decisions().HandOver();
    EXPECT_EQ(request.secondResult, u"812||7||2||2523||");
}

TEST_F(TransSetWindow, NetBankShowsItsGroupsAndTakesDigitsInTheEditField)
{
    const Text document
        = u"<KeyType>6</KeyType><AtmNode Type=\"1\" Name=\"家人\">媽%%7||1;;</AtmNode>"
          u"<AtmNode Type=\"2\">乙銀行%%812;;</AtmNode>";
    request.dialog = TransferAccountDialog::NetBank;
    request.document = document;
    CTransSet dialog(request, messages);
    ASSERT_FALSE(dialog.Prepare());
    EXPECT_EQ(qobject_cast<QComboBox*>(dialog.ControlWidget(kGroupList))->count(), 2);

    // Typed keys reach the decisions through the key filter; the focus chose the other kind.
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QWidget* edit = dialog.ControlWidget(kAccountEdit);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("12a3"));
    EXPECT_EQ(dialog.Decisions().AccountText(), u"123");
    EXPECT_EQ(dialog.Decisions().Kind(), TransferAccountKind::kOther);
    dialog.reject();
    EXPECT_EQ(dialog.Decisions().Result(), kCancelled);
}

} // namespace
} // namespace velkor
