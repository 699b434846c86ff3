#pragma once

#include <QRect>
#include <cstdint>

// Where the protected display puts each character: one cell per character along a line, a second
// line below when the first is full, and the tilt of the slanted modes.
namespace velkor {

// Cells per line as drawn: below 16 -> 16; 16 to 23 -> 20; 24 to 29 -> 24; 30 and more unchanged.
int NormalisedCellsPerLine(int cellsPerLine);

// The cell of character `index` in `client` for drawing `mode` (5 has 31 narrow cells per line and
// breaks after 36 characters; the other cell modes break after the normalised cells per line).
QRect CharacterCell(int index, int mode, const QRect& client, int cellsPerLine);

// Tilt in tenths of a degree, counter-clockwise, from a signed random number: 20 - (r mod 40), the
// remainder taking the sign of r, so -19 to 59.
int TiltTenths(int32_t random);

} // namespace velkor
