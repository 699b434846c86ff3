#pragma once

#include <QFont>

#include "common/text.h"

// Fonts as the dialogs describe them: a face name, a height in logical units (negative: the
// character height; positive: the cell height, ascent plus descent), a weight from 1 to 1000 (0 for
// the default), an optional character width, and italic/underline.
namespace velkor {

struct FontDescription {
    Text face; // at most 31 characters are used; empty keeps `base`'s family
    int height = 0;
    int width = 0; // average character width; 0 keeps the face's own proportions
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool antialiased = true;
};

QFont MakeLogicalFont(const FontDescription& description, const QFont& base = QFont());

// Height of a font of `points` points on a display of `dpiY` pixels per inch, as a negative
// (character-height) logical height.
int PointsToLogicalHeight(int points, int dpiY);

// The static texts' font: `face` (empty keeps `base`'s family) at `points` on a display of `dpiY`
// pixels per inch, bold or normal.
QFont MakePointFont(const Text& face, int points, bool bold, int dpiY, const QFont& base);

} // namespace velkor
