#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <optional>

// Composes the frames of an animated GIF onto the picture on screen: each frame is drawn at its
// place, and after its delay disposed of as its disposal method says (2: its rectangle is filled
// with the background colour; 3: what lay under it comes back).
namespace velkor {

struct DecodedFrame {
    QImage image;
    QRect place; // position and size within the logical screen
    int delay = -1;
    int disposal = 0;
};

class GifCompositor {
public:
    GifCompositor() = default;
    GifCompositor(QSize size, QColor clearColour, QColor background);

    void Render(const DecodedFrame& frame);
    void Dispose(const DecodedFrame& frame);
    // Draws a still picture at (0, 0).
    void DrawStill(const QImage& picture);

    const QImage& Picture() const { return picture_; }
    QColor Background() const { return background_; }

private:
    QImage picture_;
    QColor background_;
    std::optional<QImage> saved_; // the area under a frame with disposal 3
};

} // namespace velkor
