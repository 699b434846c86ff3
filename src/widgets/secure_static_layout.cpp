#include "secure_static_layout.h"

namespace velkor {

int NormalisedCellsPerLine(int cellsPerLine)
{
    if (cellsPerLine < 16) {
        return 16;
    }
    if (cellsPerLine < 24) {
        return 20;
    }
    if (cellsPerLine < 30) {
        return 24;
    }
    return cellsPerLine;
}

QRect CharacterCell(int index, int mode, const QRect& client, int cellsPerLine)
{
    const int n = NormalisedCellsPerLine(cellsPerLine);
    const int width = client.width() / (mode == 5 ? 31 : n + 1);
    const int lineBreak = mode == 5 ? 36 : n;
    const int left = client.left();
    const int bottom = client.top() + client.height();
    const bool second = index >= lineBreak;
    const int column = second ? index - lineBreak : index;
    const int top = client.top() + (second ? 14 : 1);
    // The sums give exclusive right and bottom edges; QRect's corners are inclusive.
    return QRect(QPoint(left + column * width + 1, top),
        QPoint(left + (column + 1) * width + 1, bottom - 3));
}

int TiltTenths(int32_t random)
{
    return 20 - random % 40;
}

} // namespace velkor
