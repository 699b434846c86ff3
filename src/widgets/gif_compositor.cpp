#include "widgets/gif_compositor.h"

#include <QPainter>

namespace velkor {

namespace {
constexpr int kRestoreBackground = 2;
constexpr int kRestorePrevious = 3;
} // namespace

GifCompositor::GifCompositor(QSize size, QColor clearColour, QColor background)
    : picture_(size, QImage::Format_ARGB32_Premultiplied)
    , background_(background)
{
    picture_.fill(clearColour);
}

void GifCompositor::Render(const DecodedFrame& frame)
{
    if (picture_.isNull()) {
        return;
    }
    if (frame.disposal == kRestorePrevious) {
        saved_ = picture_.copy(frame.place);
    }
    QPainter painter(&picture_);
    painter.drawImage(frame.place, frame.image);
}

void GifCompositor::Dispose(const DecodedFrame& frame)
{
    if (picture_.isNull()) {
        return;
    }
    if (frame.disposal == kRestoreBackground) {
        QPainter painter(&picture_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(frame.place, background_);
    } else if (frame.disposal == kRestorePrevious && saved_) {
        QPainter painter(&picture_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(frame.place.topLeft(), *saved_);
        saved_.reset();
    }
}

void GifCompositor::DrawStill(const QImage& picture)
{
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(&picture_);
    painter.drawImage(QPoint(0, 0), picture);
}

} // namespace velkor
