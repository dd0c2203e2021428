#include <gtest/gtest.h>

#include <QPainter>

#include "controls/picture.h"

namespace {

struct Stroke {
    int x1, y1, x2, y2;
    QRgb rgb;
};

// A frame with a different colour at every pixel, so a misplaced pixel shows.
QImage patterned_frame() {
    QImage frame(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) frame.setPixel(x, y, qRgb(x, y, (x * y) & 0xff));
    return frame;
}

// The strokes drawn the plain way, on a copy of the frame.
QImage drawn_by_hand(const QImage& frame, const std::vector<Stroke>& strokes) {
    QImage expected = frame.copy();
    QPainter painter(&expected);
    for (const Stroke& s : strokes) {
        painter.fillRect(QRect(QPoint(std::min(s.x1, s.x2), std::min(s.y1, s.y2)),
                               QPoint(std::max(s.x1, s.x2), std::max(s.y1, s.y2))),
                         QColor(s.rgb));
    }
    return expected;
}

void expect_rows_show(const Picture& picture, const QImage& expected, const char* what) {
    for (int y = 0; y < expected.height(); ++y) {
        const Picture::PixelRow row = picture.pixel_row(y);
        for (int x = 0; x < expected.width(); ++x) {
            if ((row[x] & RGB_MASK) != (expected.pixel(x, y) & RGB_MASK)) {
                ADD_FAILURE() << what << ": first wrong pixel at " << x << "," << y;
                return;
            }
        }
    }
}

// Lines drawn on a picture that shares its pixels with the camera frame are kept aside rather than
// copying the frame: every way of reading the picture, and the next difference made from it,
// must still see them exactly as if they had been drawn at once, and the frame must stay as it was.
TEST(PictureTest, LinesOnASharedFrameReadAsIfDrawnAtOnce) {
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    const std::vector<Stroke> rectangle{
        {5, 5, 5, 235, red}, {5, 5, 315, 5, red}, {315, 5, 315, 235, red}, {5, 235, 315, 235, red}};
    std::vector<Stroke> many_overlapping;
    for (int i = 0; i < 11; ++i) {
        const int y = 20 + i % 3;
        many_overlapping.push_back({i * 10, y, 100 + i * 10, y, i % 2 ? red : blue});
    }
    const std::vector<Stroke> edges_and_outside{{-20, 0, 400, 0, blue}, {319, -5, 319, 300, red}};
    const QImage frame = patterned_frame();
    const QImage newer = patterned_frame().mirrored(true, false);

    for (const auto& strokes : {rectangle, many_overlapping, edges_and_outside}) {
        SCOPED_TRACE(testing::Message() << strokes.size() << " strokes");
        Picture camera(320, 240, 320, 240), difference(320, 240, 320, 240);
        camera.set_picture(frame);
        for (const Stroke& s : strokes) camera.line(s.x1, s.y1, s.x2, s.y2, from_rgb(s.rgb));
        const QImage expected = drawn_by_hand(frame, strokes);
        QImage expected_difference = expected.copy();
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                expected_difference.setPixel(x, y, expected.pixel(x, y) ^ newer.pixel(x, y));

        expect_rows_show(camera, expected, "camera rows");
        difference.set_exclusive_or(camera, newer);
        expect_rows_show(difference, expected_difference, "difference rows");
        EXPECT_EQ(difference.image(), expected_difference);
        EXPECT_EQ(camera.image(), expected);
        EXPECT_EQ(frame, patterned_frame()) << "the shared frame itself was drawn on";
    }
}

}  // namespace
