#pragma once

#include <QRect>
#include <QWidget>

// Window layouts are given in twips: 15 to the pixel at 96 dots per inch.
namespace twips {
constexpr int per_pixel = 15;
constexpr int to_pixels(int twips) {
    return (twips + per_pixel / 2) / per_pixel;
}
constexpr int from_pixels(int pixels) {
    return pixels * per_pixel;
}
inline QRect rect(int left, int top, int width, int height) {
    return QRect(to_pixels(left), to_pixels(top), to_pixels(width), to_pixels(height));
}
inline void place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(rect(left, top, width, height));
}
}  // namespace twips
