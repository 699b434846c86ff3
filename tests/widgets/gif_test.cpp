#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include "gif_writer.h"
#include "qt_test_application.h"
#include "widgets/gif_block_walker.h"
#include "widgets/picture_ex.h"

namespace velkor {
namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;

GifWriterFrame Solid(int x, int y, int w, int h, uint8_t index, int delay, int disposal)
{
    GifWriterFrame frame { x, y, w, h, std::vector<uint8_t>(static_cast<size_t>(w * h), index),
        delay, disposal, true };
    return frame;
}

// 8 x 8 logical screen: a red full frame, then a green 4 x 4 frame at (2, 2) with `disposal`,
// then a blue 1 x 1 frame at (0, 0).
std::vector<uint8_t> ThreeFrames(int disposal, bool comment = false)
{
    GifWriter writer(8, 8, { 0xFFFFFF, kRed, kGreen, kBlue });
    writer.AddFrame(Solid(0, 0, 8, 8, 1, 2, 1));
    writer.AddFrame(Solid(2, 2, 4, 4, 2, 50, disposal));
    writer.AddFrame(Solid(0, 0, 1, 1, 3, 0, 1));
    std::vector<uint8_t> gif = writer.Finish();
    if (comment) { // a comment extension before the trailer
        gif.insert(gif.end() - 1, { 0x21, 0xFE, 0x03, 'a', 'b', 'c', 0x00 });
    }
    return gif;
}

QByteArray AsBytes(const std::vector<uint8_t>& data)
{
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()));
}

class GifTest : public ::testing::Test {
protected:
    void SetUp() override { testing::TestApplication(); }
};

TEST_F(GifTest, WalkerFindsFramesWithTheirPlacesDelaysAndDisposal)
{
    const std::vector<uint8_t> gif = ThreeFrames(3, true);
    const GifStructure walked = WalkGif(gif);
    ASSERT_TRUE(walked.isGif);
    EXPECT_TRUE(walked.complete); // past the comment
    ASSERT_EQ(walked.frames.size(), 3u);
    EXPECT_EQ(walked.frames[1].x, 2);
    EXPECT_EQ(walked.frames[1].disposal, 3);
    EXPECT_EQ(FrameDelayMilliseconds(walked.frames[0].delay), 100); // too short a delay
    EXPECT_EQ(FrameDelayMilliseconds(walked.frames[1].delay), 500);
}

TEST_F(GifTest, TruncatedAndForeignDataEndTheWalkSafely)
{
    const std::vector<uint8_t> gif = ThreeFrames(1);
    const GifStructure full = WalkGif(gif);
    // Every cut keeps the frames that lie wholly before it and never reads past the end.
    for (size_t cut = 0; cut < gif.size(); ++cut) {
        const std::vector<uint8_t> part(
            gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(cut));
        const GifStructure walked = WalkGif(part);
        for (const GifFrameSlice& frame : walked.frames) {
            EXPECT_LE(frame.end, cut);
        }
        EXPECT_LE(walked.frames.size(), full.frames.size());
    }
    // A sub-block length that runs past the end.
    std::vector<uint8_t> overrun = gif;
    overrun.resize(overrun.size() - 1);
    overrun.back() = 0xFF;
    EXPECT_FALSE(WalkGif(overrun).complete);
    // An unknown block.
    std::vector<uint8_t> unknown = gif;
    unknown.insert(unknown.end() - 1, { 0x21, 0x77, 0x00 });
    EXPECT_FALSE(WalkGif(unknown).complete);
    EXPECT_EQ(WalkGif(unknown).frames.size(), 3u);

    const uint8_t bitmap[] = { 'B', 'M', 0, 0 };
    EXPECT_FALSE(WalkGif(bitmap).isGif);
    EXPECT_FALSE(WalkGif({}).isGif);
}

TEST_F(GifTest, DisposalRestoresBackgroundOrPreviousContent)
{
    for (const int disposal : { 1, 2, 3 }) {
        CPictureEx picture;
        ASSERT_TRUE(picture.Load(AsBytes(ThreeFrames(disposal))));
        ASSERT_EQ(picture.FrameCount(), 3);
        GifCompositor compositor(QSize(8, 8), Qt::white, Qt::gray);
        compositor.Render(picture.Frame(0));
        compositor.Render(picture.Frame(1));
        EXPECT_EQ(compositor.Picture().pixel(3, 3) & 0xFFFFFF, kGreen);
        compositor.Dispose(picture.Frame(1));
        const uint32_t after = compositor.Picture().pixel(3, 3) & 0xFFFFFF;
        const uint32_t expected = disposal == 1 ? kGreen
            : disposal == 2                     ? QColor(Qt::gray).rgb() & 0xFFFFFF
                                                : kRed;
        EXPECT_EQ(after, expected) << "disposal " << disposal;
        EXPECT_EQ(compositor.Picture().pixel(0, 0) & 0xFFFFFF, kRed);
    }
}

TEST_F(GifTest, StillPicturesAndFailures)
{
    CPictureEx picture;
    GifWriter one(5, 4, { 0xFFFFFF, kBlue });
    one.AddFrame(Solid(0, 0, 5, 4, 1, 10, 0));
    ASSERT_TRUE(picture.Load(AsBytes(one.Finish(false))));
    EXPECT_EQ(picture.FrameCount(), 0);
    ASSERT_TRUE(picture.Draw());
    EXPECT_FALSE(picture.IsAnimating());
    EXPECT_EQ(picture.CurrentPicture().pixel(4, 3) & 0xFFFFFF, kBlue);

    EXPECT_FALSE(picture.Load(QByteArray("GIF89a")));
    EXPECT_FALSE(picture.Draw());
    EXPECT_FALSE(picture.Load(QByteArray("not a picture")));
    EXPECT_FALSE(picture.LoadFromResource(999, "GIF"));
}

TEST_F(GifTest, AnimationThreadPlaysAndStopsPromptly)
{
    // A long delay: Stop must interrupt the wait, not sit it out.
    GifWriter writer(4, 4, { 0xFFFFFF, kRed, kGreen });
    writer.AddFrame(Solid(0, 0, 4, 4, 1, 2, 1));
    writer.AddFrame(Solid(0, 0, 4, 4, 2, 3000, 1));
    CPictureEx picture;
    ASSERT_TRUE(picture.Load(AsBytes(writer.Finish())));
    ASSERT_TRUE(picture.Draw());
    EXPECT_TRUE(picture.IsAnimating());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000 && (picture.CurrentPicture().pixel(0, 0) & 0xFFFFFF) != kGreen) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(picture.CurrentPicture().pixel(0, 0) & 0xFFFFFF, kGreen);
    clock.restart();
    picture.Stop();
    EXPECT_FALSE(picture.IsAnimating());
    EXPECT_LT(clock.elapsed(), 1000);
    // Loading again while playing stops the old animation first.
    ASSERT_TRUE(picture.Draw());
    ASSERT_TRUE(picture.Load(AsBytes(ThreeFrames(2))));
    EXPECT_FALSE(picture.IsAnimating());
}

TEST_F(GifTest, TheCardAnimationResourceIsOursAndPlays)
{
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromResource(207, "GIF"));
    EXPECT_EQ(picture.PictureSize(), QSize(120, 90));
    EXPECT_EQ(picture.FrameCount(), 11);

    // The committed picture is what the generator draws.
    QFile committed(VELKOR_TEST_SOURCE_DIR "/resources/card_reinsert.gif");
    QFile generated(VELKOR_TEST_BUILD_DIR "/resources/card_reinsert.gif");
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly));
    ASSERT_TRUE(generated.open(QIODevice::ReadOnly));
    EXPECT_EQ(committed.readAll(), generated.readAll());
}

} // namespace
} // namespace velkor
