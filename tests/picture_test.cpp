#include <gtest/gtest.h>

#include <QLine>
#include <QPainter>

#include "controls/picture.h"

namespace {

using Stroke = std::pair<QLine, QRgb>;

// The picture as its pixel rows show it, pixel by pixel.
QImage read_through_rows(const Picture& picture) {
    QImage out(picture.pixel_width(), picture.pixel_height(), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        const Picture::PixelRow row = picture.pixel_row(y);
        for (int x = 0; x < out.width(); ++x) out.setPixel(x, y, row[x]);
    }
    return out;
}

// Lines drawn on a picture that shares its pixels with the camera frame are kept aside rather than
// copying the frame: every way of reading the picture, and the next difference made from it,
// must still see them exactly as if they had been drawn at once, and the frame must stay as it was.
TEST(PictureTest, LinesOnASharedFrameReadAsIfDrawnAtOnce) {
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    std::vector<Stroke> many_overlapping;  // more than are kept aside
    for (int i = 0; i < 11; ++i)
        many_overlapping.push_back(
            {{i * 10, 20 + i % 3, 100 + i * 10, 20 + i % 3}, i % 2 ? red : blue});
    // A different colour at every pixel, so that a misplaced pixel shows.
    QImage frame(320, 240, QImage::Format_RGB32);
    for (int i = 0; i < 320 * 240; ++i) frame.setPixel(i % 320, i / 320, qRgb(i, i / 320, i / 7));
    const QImage untouched = frame.copy(), newer = frame.mirrored(true, false);

    for (const std::vector<Stroke>& strokes :
         {std::vector<Stroke>{
              {{5, 5, 5, 235}, red}, {{5, 5, 315, 5}, red}, {{315, 5, 315, 235}, red}},
          many_overlapping,
          std::vector<Stroke>{{{-20, 0, 400, 0}, blue}, {{319, -5, 319, 300}, red}}}) {
        SCOPED_TRACE(testing::Message() << strokes.size() << " strokes");
        Picture camera(320, 240, 320, 240), difference(320, 240, 320, 240);
        camera.set_picture(frame);
        QImage expected = frame.copy();
        QPainter painter(&expected);
        for (const auto& [line, rgb] : strokes) {
            camera.line(line.x1(), line.y1(), line.x2(), line.y2(), from_rgb(rgb));
            painter.fillRect(QRect(line.p1(), line.p2()).normalized(), rgb);
        }
        painter.end();
        QImage expected_difference = expected.copy();
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                expected_difference.setPixel(x, y, expected.pixel(x, y) ^ newer.pixel(x, y));

        EXPECT_EQ(read_through_rows(camera), expected);
        difference.set_exclusive_or(camera, newer);
        EXPECT_EQ(read_through_rows(difference), expected_difference);
        EXPECT_EQ(difference.image(), expected_difference);
        EXPECT_EQ(camera.image(), expected);
        EXPECT_EQ(frame, untouched) << "the shared frame itself was drawn on";
    }
}

}  // namespace
