// Draws the confirmation dialog's animation (a chip card taken out of its reader and put back)
// and writes it as a GIF: card_reinsert_maker <output.gif>. The drawing is deterministic, so the
// committed picture can be checked against a fresh run.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <cstdio>
#include <fstream>
#include <limits>

#include "gif_writer.h"

namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 90;

const std::vector<uint32_t> kPalette = {
    0xFFFFFF, // background
    0x5A5A5A, // reader body
    0x202020, // slot
    0x1F5FAF, // card
    0xD9B44A, // chip
    0xC62828, // arrow out
    0x2E7D32, // arrow in
    0x9E9E9E, // reader edge
    0x0F3F7F, // card stripe
};

enum class Arrow { kNone, kUp, kDown, kCheck };

QImage DrawFrame(int cardTop, Arrow arrow)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(kPalette[0]));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);

    // The card, drawn first so that the reader hides the part inside it.
    const QRect card(40, cardTop, 40, 44);
    p.setBrush(QColor::fromRgb(kPalette[3]));
    p.drawRect(card);
    p.setBrush(QColor::fromRgb(kPalette[8]));
    p.drawRect(card.left(), card.top() + 30, card.width(), 5);
    p.setBrush(QColor::fromRgb(kPalette[4]));
    p.drawRect(card.left() + 8, card.top() + 8, 11, 9);

    // The reader with its slot.
    p.setBrush(QColor::fromRgb(kPalette[1]));
    p.drawRect(18, 56, 84, 30);
    p.setBrush(QColor::fromRgb(kPalette[7]));
    p.drawRect(18, 56, 84, 3);
    p.setBrush(QColor::fromRgb(kPalette[2]));
    p.drawRect(34, 55, 52, 4);

    if (arrow == Arrow::kUp || arrow == Arrow::kDown) {
        p.setBrush(QColor::fromRgb(kPalette[arrow == Arrow::kUp ? 5 : 6]));
        p.drawRect(96, 18, 6, 22);
        const QPolygon head = arrow == Arrow::kUp
            ? QPolygon({ QPoint(91, 20), QPoint(107, 20), QPoint(99, 8) })
            : QPolygon({ QPoint(91, 38), QPoint(107, 38), QPoint(99, 50) });
        p.drawPolygon(head);
    } else if (arrow == Arrow::kCheck) {
        QPen pen(QColor::fromRgb(kPalette[6]));
        pen.setWidth(4);
        p.setPen(pen);
        p.drawLine(90, 28, 97, 36);
        p.drawLine(97, 36, 110, 16);
    }
    return image;
}

std::vector<uint8_t> ToIndexes(const QImage& image)
{
    std::vector<uint8_t> indexes;
    indexes.reserve(static_cast<size_t>(kWidth * kHeight));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t rgb = image.pixel(x, y) & 0xFFFFFF;
            size_t best = 0;
            int bestDistance = std::numeric_limits<int>::max();
            for (size_t i = 0; i < kPalette.size(); ++i) {
                const QColor a = QColor::fromRgb(rgb);
                const QColor b = QColor::fromRgb(kPalette[i]);
                const int d = (a.red() - b.red()) * (a.red() - b.red())
                    + (a.green() - b.green()) * (a.green() - b.green())
                    + (a.blue() - b.blue()) * (a.blue() - b.blue());
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            indexes.push_back(static_cast<uint8_t>(best));
        }
    }
    return indexes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: card_reinsert_maker <output.gif>\n");
        return 2;
    }
    constexpr int kInserted = 30;
    constexpr int kOut = 6;
    struct Step {
        int cardTop;
        Arrow arrow;
        int delay;
    };
    std::vector<Step> steps { { kInserted, Arrow::kNone, 60 } };
    for (int i = 1; i <= 4; ++i) {
        steps.push_back({ kInserted - (kInserted - kOut) * i / 4, Arrow::kUp, 15 });
    }
    steps.push_back({ kOut, Arrow::kNone, 50 });
    for (int i = 1; i <= 4; ++i) {
        steps.push_back({ kOut + (kInserted - kOut) * i / 4, Arrow::kDown, 15 });
    }
    steps.push_back({ kInserted, Arrow::kCheck, 80 });

    velkor::GifWriter writer(kWidth, kHeight, kPalette);
    for (const Step& step : steps) {
        velkor::GifWriterFrame frame;
        frame.width = kWidth;
        frame.height = kHeight;
        frame.indexes = ToIndexes(DrawFrame(step.cardTop, step.arrow));
        frame.delay = step.delay;
        writer.AddFrame(frame);
    }
    const std::vector<uint8_t> gif = writer.Finish();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
    return out ? 0 : 1;
}
