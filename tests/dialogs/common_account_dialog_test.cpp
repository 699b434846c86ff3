#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "dialogs/common_account_dialog.h"
#include "dialogs/common_account_geometry.h"
#include "list_cipher_fixture.h"
#include "qt_test_application.h"
#include "recording_message_sink.h"

// The common-account forms' windows offscreen: they show the decisions and forward real clicks,
// keys and mouse releases to them.
namespace velkor {
namespace {

using namespace common_account;

class CommonAccountDialogTest : public ::testing::Test {
protected:
    QApplication& application_ = testing::TestApplication();

    void SetRequest(const Text& rows, CommonAccountFormKind kind)
    {
        document_ = u"<Title>新增</Title>" + rows;
        request_.form = kind;
        request_.document = document_;
        request_.keys = { cipher_.KeyHash(), cipher_.EncryptedKey() };
        request_.verifyPin = [](const SecureBytes&) { return 0x9000; };
    }

    testing::ListCipherFixture cipher_;
    testing::RecordingMessageSink messages_;
    CommonAccountRequest request_;
    Text document_;
};

TEST_F(CommonAccountDialogTest, TypesOnKeysAndKeyboardAndConfirms)
{
    SetRequest(u"<AtmNode Name=\"銀行\" Type=\"0\">甲銀行%%004;;</AtmNode>"
               u"<AtmNode Name=\"帳號\" Type=\"3\" KeyType=\"3\" Default=\"8\"></AtmNode>"
               u"<AtmNode Name=\"暱稱\" Type=\"4\" KeyType=\"2\" Default=\"8\"></AtmNode>",
        CommonAccountFormKind::WebAtm);
    CWebComDlg dialog(request_, messages_);
    ASSERT_FALSE(dialog.Prepare());
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_EQ(dialog.ControlWidget(1013)->property(CommonAccountDialog::kControlIdProperty), 1013);
    EXPECT_TRUE(dialog.ControlWidget(ComboId(0))->isVisible());
    EXPECT_FALSE(dialog.ControlWidget(kFirstKey + 10)->isVisible());

    const auto band = common_account_geometry::kWebForm.Band(1);
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(band.x + 4, band.y + 2));
    ASSERT_EQ(dialog.Decisions().CurrentRow(), 1);
    for (const char16_t digit : Text(u"1234")) {
        QTest::mouseClick(
            dialog.ControlWidget(kFirstKey + dialog.Decisions().KeyShowing(digit)), Qt::LeftButton);
    }
    EXPECT_EQ(dialog.Decisions().DisplayCharacters(1), u"1234");

    auto* nickname = static_cast<QLineEdit*>(dialog.ControlWidget(EditId(2)));
    nickname->setFocus();
    EXPECT_EQ(dialog.Decisions().CurrentRow(), 2);
    QTest::keyClicks(nickname, "ab||c");
    QTest::keyClick(nickname, Qt::Key_Return);
    EXPECT_EQ(nickname->text(), "ab|c");
    EXPECT_TRUE(dialog.isVisible()); // Enter did not confirm

    QTest::mouseClick(dialog.ControlWidget(kOk), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), kConfirmed);
    EXPECT_EQ(request_.plainOutput, u"004||1234||ab|c||");
}

TEST_F(CommonAccountDialogTest, NetBankFormCancelsOnEscape)
{
    SetRequest(u"<AtmNode Type=\"7\" KeyType=\"7\" Default=\"8\"></AtmNode>",
        CommonAccountFormKind::NetBank);
    CWebComNetDlg dialog(request_, messages_);
    ASSERT_FALSE(dialog.Prepare());
    dialog.show();
    EXPECT_TRUE(dialog.ControlWidget(kCaseKey)->isVisible());
    EXPECT_FALSE(dialog.ControlWidget(kHeading)->isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), kCancelled);
    EXPECT_EQ(dialog.Decisions().Result(), kCancelled);
}

} // namespace
} // namespace velkor
