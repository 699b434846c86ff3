#include "widgets/picture_ex.h"

#include <QFile>
#include <QPainter>
#include <chrono>
#include <span>

#include "resource_ids.h"
#include "widgets/gif_block_walker.h"

namespace velkor {

namespace {
constexpr auto kStopWait = std::chrono::milliseconds(5000);

std::span<const uint8_t> Bytes(const QByteArray& data)
{
    return { reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size()) };
}
} // namespace

CPictureEx::CPictureEx(QWidget* parent)
    : QWidget(parent)
{
}

CPictureEx::~CPictureEx()
{
    Stop();
}

bool CPictureEx::LoadFromResource(int id, const QString& type)
{
    RegisterResources();
    QFile file(ResourcePath(id, type));
    if (!file.open(QIODevice::ReadOnly)) {
        Unload();
        return false;
    }
    return Load(file.readAll());
}

bool CPictureEx::Load(const QByteArray& data)
{
    Unload();
    const GifStructure gif = WalkGif(Bytes(data));
    if (!gif.isGif) {
        still_ = QImage::fromData(data);
        if (still_.isNull()) {
            return false;
        }
        pictureSize_ = still_.size();
        MakeMemoryPicture();
        return true;
    }
    if (gif.frames.empty()) {
        return false;
    }
    pictureSize_ = QSize(gif.width, gif.height);
    if (gif.background) {
        background_ = QColor::fromRgb(*gif.background);
    }
    if (gif.frames.size() == 1) {
        still_ = QImage::fromData(data, "GIF");
        if (still_.isNull()) {
            return false;
        }
        MakeMemoryPicture();
        return true;
    }
    for (const GifFrameSlice& slice : gif.frames) {
        const std::vector<uint8_t> frameGif = BuildFrameGif(Bytes(data), gif, slice);
        QImage image = QImage::fromData(frameGif.data(), static_cast<int>(frameGif.size()), "GIF");
        if (image.isNull()) {
            continue; // frames that do not decode are left out
        }
        const QRect place(slice.x, slice.y, slice.width, slice.height);
        // Qt decodes a frame onto the whole logical screen; keep the frame's own rectangle.
        if (image.size() != place.size() && image.rect().contains(place)) {
            image = image.copy(place);
        }
        frames_.push_back({ image, place, slice.delay, slice.disposal });
    }
    if (frames_.empty()) {
        return false;
    }
    MakeMemoryPicture();
    return true;
}

void CPictureEx::MakeMemoryPicture()
{
    resize(pictureSize_);
    background_ = palette().color(QPalette::Button);
    {
        std::lock_guard lock(pictureMutex_);
        compositor_ = GifCompositor(pictureSize_, palette().color(QPalette::Window), background_);
    }
    loaded_ = true;
}

bool CPictureEx::Draw()
{
    if (!loaded_) {
        return false;
    }
    if (frames_.size() > 1) {
        Stop();
        {
            std::lock_guard lock(exitMutex_);
            exit_ = false;
            finished_ = false;
        }
        thread_ = std::thread([this] { Animate(); });
        return true;
    }
    {
        std::lock_guard lock(pictureMutex_);
        compositor_.DrawStill(still_.scaled(pictureSize_));
    }
    update();
    return true;
}

void CPictureEx::Stop()
{
    if (!thread_.joinable()) {
        return;
    }
    {
        std::unique_lock lock(exitMutex_);
        exit_ = true;
        exitEvent_.notify_all();
        finishedEvent_.wait_for(lock, kStopWait, [this] { return finished_; });
    }
    // The thread draws into this control, so it is joined even past the bound rather than left
    // running against a control that may be destroyed next; it only ever waits on the exit event.
    thread_.join();
    std::lock_guard lock(exitMutex_);
    exit_ = false;
}

bool CPictureEx::WaitOrExit(int milliseconds)
{
    std::unique_lock lock(exitMutex_);
    return exitEvent_.wait_for(
        lock, std::chrono::milliseconds(milliseconds), [this] { return exit_; });
}

void CPictureEx::Animate()
{
    const size_t count = frames_.size();
    size_t current = static_cast<size_t>(currentFrame_.load()) % count;
    {
        std::lock_guard lock(pictureMutex_);
        compositor_.Dispose(frames_[current]);
    }
    bool leave = false;
    while (!leave) {
        const DecodedFrame& frame = frames_[current];
        {
            std::lock_guard lock(pictureMutex_);
            compositor_.Render(frame);
        }
        currentFrame_ = static_cast<int>(current);
        QMetaObject::invokeMethod(
            this, [this] { update(); }, Qt::QueuedConnection);
        leave = WaitOrExit(FrameDelayMilliseconds(frame.delay));
        if (!leave) {
            std::lock_guard lock(pictureMutex_);
            compositor_.Dispose(frame);
            current = (current + 1) % count;
        }
    }
    std::lock_guard lock(exitMutex_);
    finished_ = true;
    finishedEvent_.notify_all();
}

void CPictureEx::Unload()
{
    Stop();
    frames_.clear();
    still_ = QImage();
    pictureSize_ = QSize();
    background_ = Qt::white;
    loaded_ = false;
    currentFrame_ = 0;
    std::lock_guard lock(pictureMutex_);
    compositor_ = GifCompositor();
}

QImage CPictureEx::CurrentPicture() const
{
    std::lock_guard lock(pictureMutex_);
    return compositor_.Picture().copy();
}

void CPictureEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    std::lock_guard lock(pictureMutex_);
    const QImage& picture = compositor_.Picture();
    if (picture.isNull()) {
        return;
    }
    const QRect source = pictureRect_.isEmpty() ? QRect(QPoint(0, 0), pictureSize_) : pictureRect_;
    painter.drawImage(QPoint(0, 0), picture, source);
}

} // namespace velkor
