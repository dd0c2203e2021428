#pragma once

#include <QImage>
#include <QPoint>
#include <functional>
#include <vector>

// Frames for the scripted camera and the clips, of the engine's size unless told.
inline QImage solid_frame(QRgb colour, int width = 320, int height = 240) {
    QImage frame(width, height, QImage::Format_RGB32);
    frame.fill(colour);
    return frame;
}

// A copy of the frame with single pixels set, at frame positions.
inline QImage with_pixels(QImage frame, const std::vector<QPoint>& points, QRgb colour) {
    for (const QPoint& p : points) frame.setPixel(p, colour);
    return frame;
}

// The sample points of grid column i (x = 4 i) for rows first..last (y = 3 j).
inline std::vector<QPoint> column_points(int i, int first_row, int last_row) {
    std::vector<QPoint> points;
    for (int j = first_row; j <= last_row; ++j) points.emplace_back(4 * i, 3 * j);
    return points;
}

// A still dark room in which the band of columns x0..x1 flickers between dark and light on
// every frame: motion that the measure sees in those columns only.
inline std::function<QImage(int)> flickering_band(int x0, int x1) {
    return [x0, x1](int grab) {
        QImage frame = solid_frame(qRgb(0, 0, 0));
        const QRgb band = grab % 2 ? qRgb(200, 200, 200) : qRgb(30, 30, 30);
        for (int y = 0; y < frame.height(); ++y)
            for (int x = x0; x <= x1; ++x) frame.setPixel(x, y, band);
        return frame;
    };
}
