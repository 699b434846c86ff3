#pragma once

#include "control/ui.h"

// Where the controls of the common-account forms lie, from their templates' dialog units (a
// dialog unit is 7/4 pixels across and 2 pixels down for the forms' 10-point font). The window
// places its controls with it and the form's decisions find the row under the mouse with it.
namespace velkor::common_account_geometry {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool Contains(int px, int py) const
    {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
};

inline constexpr int PixelsAcross(int units)
{
    return units * 7 / 4;
}
inline constexpr int PixelsDown(int units)
{
    return units * 2;
}
inline constexpr Rect FromUnits(int x, int y, int width, int height)
{
    return { PixelsAcross(x), PixelsDown(y), PixelsAcross(width), PixelsDown(height) };
}

inline constexpr int kRowPitch = PixelsDown(22);
inline constexpr int kKeypadRowPitch = PixelsDown(16);

struct FormGeometry {
    Rect dialog;
    Rect heading;
    Rect countdown;
    int labelX, labelWidth, fieldX, fieldWidth;
    int hintY, graphicRadioX, generalRadioX;
    int keypadY, keypadX;
    int buttonsY, okX, cancelX;

    Rect Label(int row) const { return FromUnits(labelX, 30 + 22 * row, labelWidth, 14); }
    // The protected display, edit and combo box of a row share this place.
    Rect Field(int row) const { return FromUnits(fieldX, 30 + 22 * row, fieldWidth, 14); }
    // The band in which a mouse release chooses the row: from x 20 to the display's right edge,
    // from one unit below its top to three units above its bottom.
    Rect Band(int row) const
    {
        const Rect field = Field(row);
        const int left = PixelsAcross(20);
        return { left, field.y + PixelsDown(1), field.x + field.width - left,
            field.height - PixelsDown(4) };
    }
};

inline constexpr FormGeometry kWebForm { FromUnits(0, 0, 335, 340), FromUnits(5, 4, 228, 14),
    FromUnits(239, 7, 80, 12), 5, 125, 132, 196, 250, 132, 243, 268, 98, 319, 99, 182 };
inline constexpr FormGeometry kNetForm { FromUnits(0, 0, 350, 338), FromUnits(5, 4, 232, 14),
    FromUnits(243, 7, 100, 12), 5, 100, 107, 236, 251, 241, 127, 266, 110, 317, 127, 210 };

inline constexpr const FormGeometry& For(CommonAccountFormKind form)
{
    return form == CommonAccountFormKind::WebAtm ? kWebForm : kNetForm;
}

} // namespace velkor::common_account_geometry
