#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

#include "dialogs/dialog_window.h"
#include "qt_test_application.h"

// The frame the dialog windows share, under a window of a check box (7) and a key a panel of its
// own shows (8, named only). Its decisions end with 105 at the second tick and with 2 on Cancel.
namespace velkor {
namespace {

struct Control {
    bool visible = true;
    bool enabled = true;
    bool checked = false;
};

class FramedWindow : public DialogWindow {
public:
    FramedWindow()
        : DialogWindow(nullptr)
    {
        Tag(box, 7);
        Name(new QPushButton(this), 8);
        connect(box, &QCheckBox::toggled, this, [this] { Act([this] { ++toggles; }); });
    }
    std::optional<int> Prepare() override
    {
        timers_.StartTimer(4097, 60000);
        ShowState();
        return std::nullopt;
    }
    bool TimerRunning() const { return timers_.IsRunning(4097); }

    std::map<int, Control> controls { { 7, {} }, { 8, { false, false } } };
    std::optional<int> decided;
    int ticks = 0;
    int toggles = 0;
    QCheckBox* box = new QCheckBox(this);

protected:
    std::optional<int> DecidedResult() const override { return decided; }
    void CancelDecisions() override { decided = 2; }
    void TickDecisions(int) override { decided = ++ticks == 2 ? std::optional(105) : std::nullopt; }
    void Refresh() override
    {
        ShowControls(controls,
            [this](int, QWidget*, const Control& state) { box->setChecked(state.checked); });
    }
};

class DialogWindowTest : public ::testing::Test {
protected:
    QApplication& application_ = testing::TestApplication();
    FramedWindow window_;
};

TEST_F(DialogWindowTest, ShowsTheStateWithoutForwardingItsOwnChanges)
{
    window_.controls[7].checked = true;
    window_.Prepare();
    EXPECT_TRUE(window_.box->isChecked());
    EXPECT_EQ(window_.toggles, 0) << "the window's own change reached the decisions";
    window_.show();
    QTest::mouseClick(window_.box, Qt::LeftButton);
    EXPECT_EQ(window_.toggles, 1);
    QWidget* key = window_.ControlWidget(8);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->isVisible() && key->isEnabled()) << "the frame showed the keypad's key";
}

TEST_F(DialogWindowTest, EndsWithTheDecidedResultAndStopsItsTimers)
{
    window_.Prepare();
    window_.Tick(4097);
    EXPECT_TRUE(window_.TimerRunning());
    window_.Tick(4097);
    EXPECT_EQ(window_.result(), 105);
    EXPECT_FALSE(window_.TimerRunning());

    FramedWindow escaped;
    QTimer::singleShot(0, &escaped, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); });
    EXPECT_EQ(escaped.Run(), 2);
}

} // namespace
} // namespace velkor
