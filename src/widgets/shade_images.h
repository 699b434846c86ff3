#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <functional>

#include "widgets/system_colors.h"

// The faces of a shaded button: an 8-bit palette image filled with a gradient or bump pattern plus
// noise, its palette running from the desktop's shadow colour through the face colour to the
// highlight colour and tinted with the button's colour; copies of it for the disabled, hover and
// pressed states; and the two dotted lines of the focus mark.
namespace velkor {

enum class ShadeKind : int {
    kNoise = 0,
    kDiagonal = 1,
    kHorizontal = 2,
    kVertical = 3,
    kHorizontalBump = 4,
    kVerticalBump = 5,
    kSoftBump = 6,
    kHardBump = 7,
    kMetal = 8,
};

struct ShadeParameters {
    int kind = 0; // ShadeKind; 0 and values above 8 are noise
    uint8_t granularity = 0;
    uint8_t highlight = 0; // percent for the hover tint; also the margin of the gradients
    uint8_t colouring = 0; // percent of `colour` blended into the palette (at most 100 counts)
    QColor colour;
    uint8_t darkenBlue = 0; // each divides its channel by (100 + darkening) / 100
    uint8_t darkenGreen = 0;
    uint8_t darkenRed = 0;
};

struct ShadeImages {
    QImage normal;
    QImage down;
    QImage disabled;
    QImage over;
    QImage focusHorizontal;
    QImage focusVertical;
};

// Uniform numbers 0 to 32767 for the noise.
using ShadeRandom = std::function<int()>;

// Numbers from the system's cryptographic generator, drawn in batches.
ShadeRandom SystemShadeRandom();

// The 256-entry palette from shadow through face to highlight.
QList<QRgb> BaseShadePalette(const SystemColors& colors);
// Blends `colour` into every entry by `percent` and darkens each channel.
QList<QRgb> TintPalette(const QList<QRgb>& palette, QColor colour, int percent, uint8_t darkenBlue,
    uint8_t darkenGreen, uint8_t darkenRed);

// Builds every image for a button of `size` (a size below 1 counts as 1).
ShadeImages BuildShadeImages(QSize size, int focusWidth, const ShadeParameters& parameters,
    const SystemColors& colors, const ShadeRandom& random);

} // namespace velkor
