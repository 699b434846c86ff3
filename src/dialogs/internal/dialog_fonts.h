#pragma once

#include "common/text.h"

// The fonts of the net-bank dialogs for each font size (1 large, 2 medium, 3 small), scaled
// for the screen's horizontal resolution.
namespace velkor {

inline const Text kDialogFontFace = u"新細明體";
inline constexpr int kDialogFontWeight = 400;

struct DialogFontSizes {
    int labelSize; // points, for the coloured labels
    int controlHeight; // cell height of the buttons' and radio buttons' font
    int entryHeight; // cell height of the lists' and fields' font
};

// Sizes out of 1 to 3 are read as 1.
DialogFontSizes FontSizesFor(int size, int dpi);

} // namespace velkor
