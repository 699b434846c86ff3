#pragma once

#include <QByteArray>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "widgets/gif_compositor.h"

// A static picture control that shows a picture from memory or from the program's resources
// and plays it when it is an animated GIF. The GIF is split into one small GIF per frame by our
// own block walker, each frame is decoded by Qt's image reader, and the frames play on a thread
// of the control's own that honours the frames' delays and disposal methods.
namespace velkor {

class CPictureEx : public QWidget {
    Q_OBJECT
public:
    explicit CPictureEx(QWidget* parent = nullptr);
    ~CPictureEx() override;

    // Loads picture `id` of resource type `type` (for instance 207, "GIF").
    bool LoadFromResource(int id, const QString& type);
    // Loads a picture from memory: an animated or still GIF, or any picture Qt can read.
    bool Load(const QByteArray& data);
    // Starts the animation, or draws the still picture. False when nothing is loaded.
    bool Draw();
    // Stops the animation thread, waiting at most 5 seconds for it.
    void Stop();

    QSize PictureSize() const { return pictureSize_; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    const DecodedFrame& Frame(int i) const { return frames_[static_cast<size_t>(i)]; }
    bool IsAnimating() const { return thread_.joinable(); }
    // A copy of what the control shows.
    QImage CurrentPicture() const;
    // The part of the picture to paint; empty paints the whole picture.
    void SetPictureRect(const QRect& rect) { pictureRect_ = rect; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Unload();
    void MakeMemoryPicture();
    void Animate();
    bool WaitOrExit(int milliseconds);

    QSize pictureSize_;
    QRect pictureRect_;
    QColor background_ { Qt::white };
    QImage still_;
    std::vector<DecodedFrame> frames_;
    bool loaded_ = false;
    std::atomic<int> currentFrame_ = 0;

    mutable std::mutex pictureMutex_;
    GifCompositor compositor_;

    std::mutex exitMutex_;
    std::condition_variable exitEvent_;
    bool exit_ = false;
    bool finished_ = false;
    std::condition_variable finishedEvent_;
    std::thread thread_;
};

} // namespace velkor
