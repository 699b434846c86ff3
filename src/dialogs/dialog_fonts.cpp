#include "dialog_fonts.h"

namespace velkor {

DialogFontSizes FontSizesFor(int size, int dpi)
{
    if (size < 1 || size > 3) {
        size = 1;
    }
    // Each step down in size takes 2 off every height; each step up in resolution adds 2 to the
    // entry font.
    const int shrink = 2 * (size - 1);
    const int dpiStep = dpi >= 144 ? 2 : (dpi >= 120 ? 1 : 0);
    return { 14 - shrink, 16 - shrink, 16 - shrink + 2 * dpiStep };
}

} // namespace velkor
