#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "dialogs/keypad_panel.h"
#include "dialogs/trans_com_dialog.h"
#include "dialogs/trans_deal_dialog.h"
#include "dialogs/trans_oth_dialog.h"
#include "list_cipher_fixture.h"
#include "qt_test_application.h"
#include "recording_message_sink.h"
#include "widgets/shade_button.h"

// The net-bank selection windows offscreen: each finds its controls by template id, forwards
// clicks to its decisions and closes with their result.
namespace velkor {
namespace {

class NetSelectionWindows : public ::testing::Test {
protected:
    QApplication& application_ = testing::TestApplication();
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path()
            / ("velkor-net-windows-" + std::to_string(getpid()));
        request_.keys = { cipher_.KeyHash(), cipher_.EncryptedKey() };
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    template <typename T> T* Find(QWidget& dialog, int id)
    {
        for (T* child : dialog.findChildren<T*>()) {
            if (child->property("controlId").toInt() == id) {
                return child;
            }
        }
        ADD_FAILURE() << "no control " << id;
        return nullptr;
    }

    testing::ListCipherFixture cipher_;
    testing::RecordingMessageSink messages_;
    NetSelectionRequest request_;
    std::filesystem::path folder_;
};

TEST_F(NetSelectionWindows, CommonAccountsFilterAndConfirm)
{
    const Text document
        = u"<Title>銀行</Title><AtmNode Type=\"1\" Name=\"甲\">(1)王%%004||111||王;;"
          u"(2)Bob%%812||222||Bob</AtmNode>";
    request_.document = document;
    TransCom dialog(request_, messages_, FontSizeFile(folder_));
    ASSERT_FALSE(dialog.Prepare());
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("霖州銀行_網路銀行"));
    QLineEdit* filter = Find<QLineEdit>(dialog, 1001);
    ASSERT_NE(filter, nullptr);
    filter->selectAll();
    QTest::keyClicks(filter, "BOB");
    QTest::mouseClick(Find<QPushButton>(dialog, 1042), Qt::LeftButton);
    EXPECT_EQ(Find<QComboBox>(dialog, 1092)->count(), 1);
    EXPECT_EQ(Find<QPlainTextEdit>(dialog, 1002)->toPlainText(), QString("812"));
    // Enter never confirms.
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.Decisions().IsOpen());
    QTest::mouseClick(Find<QPushButton>(dialog, 1), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(request_.result, u"1||812||222||Bob||");
}

TEST_F(NetSelectionWindows, OtherAccountOnTheKeypadAndAgreedAccountTimesOut)
{
    const Text document = u"<KeyType>1</KeyType><AtmNode Default=\"12\"/>";
    request_.document = document;
    TransOth other(request_, messages_, FontSizeFile(folder_));
    ASSERT_FALSE(other.Prepare());
    EXPECT_FALSE(Find<QLineEdit>(other, 1001)->isVisibleTo(&other));
    // Template order (KeyType 1): 1042 shows 1, 1051 shows 0.
    for (const int id : { 1042, 1043, 1051 }) {
        QTest::mouseClick(Find<CxShadeButton>(other, id), Qt::LeftButton);
    }
    QTest::mouseClick(Find<QPushButton>(other, 1), Qt::LeftButton);
    EXPECT_EQ(request_.result, u"2||000||120||");

    const Text deal = u"<TimeOut>1</TimeOut><AtmNode>甲%%1||2</AtmNode>";
    request_.document = deal;
    TransDeal agreed(request_, messages_, FontSizeFile(folder_));
    ASSERT_FALSE(agreed.Prepare());
    for (int tick = 0; tick < 5; ++tick) {
        agreed.Tick(4097);
    }
    EXPECT_EQ(agreed.result(), 2);
    EXPECT_EQ(messages_.texts.back(), u"交易時間逾時，請重新執行交易 !");
}

} // namespace
} // namespace velkor
