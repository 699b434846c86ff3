#include "dialogs/countdown.h"

#include <gtest/gtest.h>
#include <vector>

#include "dialogs/dialog_texts.h"
#include "recording_message_sink.h"

namespace velkor {
namespace {

// Records timer starts and stops; the test delivers the ticks itself.
class ManualTimers final : public DialogTimers {
public:
    void StartTimer(int, int) override { }
    void StopTimer(int id) override { stopped.push_back(id); }
    std::vector<int> stopped;
};

class CountdownTest : public ::testing::Test {
protected:
    // Delivers `seconds` worth of ticks; returns the tick on which the countdown expired, or -1.
    int RunSeconds(int seconds)
    {
        for (int i = 1; i <= seconds * 5; ++i) {
            if (countdown.Tick()) {
                return i;
            }
        }
        return -1;
    }

    ManualTimers timers;
    testing::RecordingMessageSink messages;
    Countdown countdown { CountdownWording::kLeave, timers, messages };
};

TEST_F(CountdownTest, ExpiresOnceWithTheMessageAndStopsTheTimer)
{
    countdown.SetSeconds(30);
    countdown.Start();
    EXPECT_EQ(RunSeconds(1), -1);
    EXPECT_TRUE(countdown.Label().visible);
    EXPECT_EQ(countdown.Label().text, u" 29 秒後自動離開本畫面");
    EXPECT_EQ(RunSeconds(30), 29 * 5);
    EXPECT_EQ(timers.stopped, std::vector<int> { 4097 });
    EXPECT_EQ(messages.texts, std::vector<Text> { dialog_text::kTimedOut });
    EXPECT_EQ(messages.captions, std::vector<Text> { kBankCaption });
    // Later ticks do nothing.
    EXPECT_EQ(RunSeconds(5), -1);
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_FALSE(countdown.Running());

    // No time left, or a negative time: closes on the first tick.
    for (const int32_t seconds : { 0, -5 }) {
        Countdown zero(CountdownWording::kLogout, timers, messages);
        zero.SetSeconds(seconds);
        zero.Start();
        EXPECT_TRUE(zero.Tick());
    }
}

} // namespace
} // namespace velkor
