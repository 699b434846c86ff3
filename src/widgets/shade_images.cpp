#include "widgets/shade_images.h"

#include <algorithm>
#include <array>
#include <memory>

#include "common/secure_buffer.h"
#include "crypto/data_process.h"

namespace velkor {

namespace {

constexpr int kRandMax = 32767;

// The noise step: a draw scaled into 0 .. 2g. A granularity of 0 divides by 1, not by zero.
int Noise(const ShadeRandom& random, int granularity)
{
    return random() / (kRandMax / std::max(2 * granularity, 1));
}

int Cube(int t)
{
    return t * t * t;
}

// The pattern value of one pixel, before noise, for the gradient and bump kinds (1 to 7).
int PatternValue(int kind, int x, int y, int w, int h, int g, int lo, int hi)
{
    switch (kind) {
    case 1: {
        const int a = (hi - lo) / 2;
        return lo + a * y / h + a * (w - x) / w;
    }
    case 2:
        return lo + (hi - lo) * y / h;
    case 3:
        return lo + (hi - lo) * (w - x) / w;
    case 4: {
        const int t = y * 255 / h - 127;
        return (128 - g) * (Cube(t) / 128 / 128) / 128 + 128;
    }
    case 5: {
        const int t = (w - x) * 255 / w - 127;
        return (128 - g) * (Cube(t) / 128 / 128) / 128 + 128;
    }
    case 6: {
        const int t1 = y * 255 / h - 127;
        const int t2 = (w - x) * 255 / w - 127;
        int v = (128 - g) * (Cube(t1) / 16384 + Cube(t2) / 16384) / 128 + 128;
        v = std::max(v, lo);
        return std::min(v, hi);
    }
    case 7: {
        const int t = y * 255 / h - 127;
        int v = (128 - 2 * g) * (Cube(t) / 16384) / 128 + 128;
        // Narrow or flat buttons would make these divisors zero; 1 keeps the pattern defined.
        const int d = std::max(std::min(w / 6, 16), 1);
        const int e = std::max(h * h / 4, 1);
        const int xc = x - w / 2;
        const int yc = y - h / 2;
        const int m = w / 2 - d + yc * yc * d / e;
        if (xc > m) {
            v = ((w - x) * 128 / d % 256) + lo;
        } else if (xc + m < 0) {
            v = hi - x * 128 / d;
        }
        return v;
    }
    default:
        return 0;
    }
}

void FillMetal(QImage& image, int g, int lo, int hi, const ShadeRandom& random)
{
    const int w = image.width();
    const int h = image.height();
    image.fill(0);
    const auto set = [&](int x, int y, int v) {
        if (x >= 0 && x < w && y >= 0 && y < h) { // draws near the edges stay inside
            image.scanLine(y)[x] = static_cast<uint8_t>(v);
        }
    };
    for (int stroke = 0; stroke < 200; ++stroke) {
        const int x0 = random() / std::max(kRandMax / w, 1);
        const int y0 = random() / std::max(kRandMax / h, 1);
        const int length = random() / std::max(kRandMax / std::min(w, h), 1) / 2;
        const int v = random() / (kRandMax / 40);
        for (int k = 0; k < length; ++k) {
            if (x0 - k > 0 && y0 + k < h) {
                set(x0 - k, y0 + k, v);
            }
            if (y0 - k >= 1) {
                set(w - x0 + k, y0 - k, v);
            }
        }
    }
    const int a = (hi - lo - 40) / 2;
    for (int y = 0; y < h; ++y) {
        uint8_t* line = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            line[x]
                = static_cast<uint8_t>(line[x] + a * y / h + a * (w - x) / w + Noise(random, g));
        }
    }
}

void FillPattern(QImage& image, const ShadeParameters& p, const ShadeRandom& random)
{
    const int w = image.width();
    const int h = image.height();
    const int g = p.granularity;
    const int lo = p.highlight;
    const int hi = 255 - p.highlight;
    if (p.kind == 8) {
        FillMetal(image, g, lo, hi, random);
        return;
    }
    const bool noiseOnly = p.kind <= 0 || p.kind > 8;
    for (int y = 0; y < h; ++y) {
        uint8_t* line = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int value = noiseOnly
                ? 128 - g + Noise(random, g)
                : PatternValue(p.kind, x, y, w, h, g, lo, hi) + Noise(random, g) - g;
            line[x] = static_cast<uint8_t>(value); // values wrap at 8 bits
        }
    }
}

QImage IndexedImage(int width, int height, const QList<QRgb>& palette)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(palette);
    image.fill(0);
    return image;
}

int Blend(int channel, int colour, int percent, int darkening)
{
    return (channel * (100 - percent) + colour * percent) / (100 + darkening);
}

// Batches of generator output, so that a face of many pixels costs few generator calls.
class SystemRandomBatch {
public:
    int Next()
    {
        if (used_ + 2 > bytes_.size()) {
            Refill();
        }
        const int value = ((bytes_[used_] << 8) | bytes_[used_ + 1]) & kRandMax;
        used_ += 2;
        return value;
    }

private:
    void Refill()
    {
        for (size_t at = 0; at < bytes_.size(); at += 16) {
            CDataProcess::RandomBytes(bytes_.data() + at, 16, RandomParity::AsDrawn);
        }
        used_ = 0;
    }

    std::array<uint8_t, 512> bytes_ {};
    size_t used_ = bytes_.size();
};

} // namespace

ShadeRandom SystemShadeRandom()
{
    auto batch = std::make_shared<SystemRandomBatch>();
    return [batch] { return batch->Next(); };
}

QList<QRgb> BaseShadePalette(const SystemColors& colors)
{
    QList<QRgb> palette(256);
    const auto mix = [](QColor from, QColor to, int i) {
        return qRgb(((128 - i) * from.red() + i * to.red()) / 128,
            ((128 - i) * from.green() + i * to.green()) / 128,
            ((128 - i) * from.blue() + i * to.blue()) / 128);
    };
    for (int i = 0; i <= 128; ++i) {
        palette[i] = mix(colors.shadow, colors.face, i);
    }
    for (int i = 1; i <= 128; ++i) {
        palette[127 + i] = mix(colors.face, colors.highlight, i);
    }
    return palette;
}

QList<QRgb> TintPalette(const QList<QRgb>& palette, QColor colour, int percent, uint8_t darkenBlue,
    uint8_t darkenGreen, uint8_t darkenRed)
{
    percent = std::clamp(percent, 0, 100);
    QList<QRgb> tinted(palette.size());
    for (qsizetype i = 0; i < palette.size(); ++i) {
        const QRgb entry = palette[i];
        tinted[i] = qRgb(Blend(qRed(entry), colour.red(), percent, darkenRed),
            Blend(qGreen(entry), colour.green(), percent, darkenGreen),
            Blend(qBlue(entry), colour.blue(), percent, darkenBlue));
    }
    return tinted;
}

ShadeImages BuildShadeImages(QSize size, int focusWidth, const ShadeParameters& parameters,
    const SystemColors& colors, const ShadeRandom& random)
{
    const int w = std::max(size.width(), 1);
    const int h = std::max(size.height(), 1);
    const QList<QRgb> base = BaseShadePalette(colors);

    ShadeImages images;
    images.focusHorizontal = IndexedImage(std::max(w - 2 * focusWidth - 1, 1), 1, base);
    for (int x = 0; x < images.focusHorizontal.width(); x += 2) {
        images.focusHorizontal.scanLine(0)[x] = 255;
    }
    images.focusVertical = IndexedImage(1, std::max(h - 2 * focusWidth, 1), base);
    for (int y = 0; y < images.focusVertical.height(); y += 2) {
        images.focusVertical.scanLine(y)[0] = 255;
    }

    images.normal = IndexedImage(w, h,
        TintPalette(base, parameters.colour, parameters.colouring, parameters.darkenBlue,
            parameters.darkenGreen, parameters.darkenRed));
    FillPattern(images.normal, parameters, random);

    images.disabled = images.normal.copy();
    images.over = images.normal.copy();
    images.over.setColorTable(TintPalette(images.normal.colorTable(), colors.highlight,
        parameters.highlight, parameters.darkenBlue, parameters.darkenGreen, parameters.darkenRed));
    images.down = images.over.copy();
    return images;
}

} // namespace velkor
