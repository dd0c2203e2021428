#pragma once

#include <QColor>
#include <QtGlobal>

// Colours as the window models store them: 0x00BBGGRR, red in the low byte.
using Colour = quint32;

namespace colours {
constexpr Colour black = 0x000000;
constexpr Colour red = 0x0000FF;
constexpr Colour green = 0x00FF00;
constexpr Colour yellow = 0x00FFFF;
}  // namespace colours

inline QRgb to_rgb(Colour c) {
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline Colour from_rgb(QRgb rgb) {
    return static_cast<Colour>(qRed(rgb)) | (static_cast<Colour>(qGreen(rgb)) << 8) |
           (static_cast<Colour>(qBlue(rgb)) << 16);
}
