#pragma once

#include <Qt>
#include <cstdint>

// The style bits of a static text control, as the dialog templates give them, and the Qt text
// flags they stand for.
namespace velkor {

inline constexpr uint32_t kStaticCentre = 0x1;
inline constexpr uint32_t kStaticRight = 0x2;
inline constexpr uint32_t kStaticCentreImage = 0x200; // one vertically centred line

// Centre or right alignment by bits 1 and 2; without the centre-image bit the text wraps by words
// from the top, with it the text is one vertically centred line.
inline int StaticTextFlags(uint32_t style)
{
    int flags = (style & kStaticCentre) ? Qt::AlignHCenter
                                        : ((style & kStaticRight) ? Qt::AlignRight : Qt::AlignLeft);
    if (style & kStaticCentreImage) {
        flags |= Qt::AlignVCenter | Qt::TextSingleLine;
    } else {
        flags |= Qt::AlignTop | Qt::TextWordWrap;
    }
    return flags;
}

} // namespace velkor
