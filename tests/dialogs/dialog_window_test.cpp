#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

#include "dialogs/dialog_window.h"
#include "qt_test_application.h"

// The frame the dialog windows share, under a window of two controls: what reaches the
// decisions, what the window shows, and how it ends.
namespace velkor {
namespace {

struct Control {
    bool visible = true;
    bool enabled = true;
    bool checked = false;
};

// Decisions that end with 105 at the second tick and with 2 on Cancel.
struct Decisions {
    std::map<int, Control> controls { { 7, {} }, { 8, { false, false } } };
    std::optional<int> result;
    int ticks = 0;
    int toggles = 0;
};

class FramedWindow : public DialogWindow {
public:
    FramedWindow()
        : DialogWindow(nullptr)
    {
        box_ = new QCheckBox(this);
        Tag(box_, 7);
        // A key a panel of its own shows: named only, so the frame leaves it alone.
        Name(new QPushButton(this), 8);
        connect(box_, &QCheckBox::toggled, this, [this] { Act([this] { ++decisions.toggles; }); });
    }
    std::optional<int> Prepare() override
    {
        timers_.StartTimer(4097, 60000);
        ShowState();
        return std::nullopt;
    }
    bool TimerRunning() const { return timers_.IsRunning(4097); }

    Decisions decisions;
    QCheckBox* box_ = nullptr;

protected:
    std::optional<int> DecidedResult() const override { return decisions.result; }
    void CancelDecisions() override { decisions.result = 2; }
    void TickDecisions(int) override
    {
        if (++decisions.ticks == 2) {
            decisions.result = 105;
        }
    }
    void Refresh() override
    {
        ShowControls(decisions.controls,
            [this](int, QWidget*, const Control& state) { box_->setChecked(state.checked); });
    }
};

class DialogWindowTest : public ::testing::Test {
protected:
    QApplication& application_ = testing::TestApplication();
    FramedWindow window_;
};

TEST_F(DialogWindowTest, ShowsTheStateWithoutForwardingItsOwnChanges)
{
    window_.decisions.controls[7].checked = true;
    window_.Prepare();
    EXPECT_TRUE(window_.box_->isChecked());
    EXPECT_EQ(window_.decisions.toggles, 0) << "the window's own change reached the decisions";
    window_.show();
    QTest::mouseClick(window_.box_, Qt::LeftButton);
    EXPECT_EQ(window_.decisions.toggles, 1);
    // The named-only key is found but neither hidden nor disabled by the frame.
    QWidget* key = window_.ControlWidget(8);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->isVisible() && key->isEnabled());
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
