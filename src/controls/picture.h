#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <optional>
#include <utility>

#include "controls/colour.h"
#include "controls/controls.h"

// A picture control: a 32-bit drawing surface with a user scale (for example 0..320 x 0..240)
// and drawing state. Coordinates of the drawing operations are in scale units.
class Picture : public Control {
  public:
    Picture(int pixel_width, int pixel_height, double scale_width, double scale_height,
            Colour back_colour = colours::black);

    QImage& image() {
        settle();
        return image_;
    }
    const QImage& image() const {
        settle();
        return image_;
    }
    int pixel_width() const { return image_.width(); }
    int pixel_height() const { return image_.height(); }
    double scale_width() const { return scale_width_; }
    double scale_height() const { return scale_height_; }

    // Replaces the surface with a picture, stretched to the surface's size when it differs.
    void set_picture(const QImage& picture);
    // The surface becomes first XOR second, word by word. For pictures of the surface's size the
    // whole surface is worked out only when something reads it; until then single pixels are
    // read from the two pictures (pixel_row), which is all the motion measure needs.
    void set_exclusive_or(const QImage& first, const QImage& second);

    // One pixel row of the surface: its scan line, or, while an exclusive-or is pending, the two
    // scan lines it comes from.
    struct PixelRow {
        const QRgb* first;
        const QRgb* second;  // null unless pending
        QRgb operator[](int px) const { return second ? first[px] ^ second[px] : first[px]; }
    };
    PixelRow pixel_row(int py) const;
    // The colour at a point, or black outside the surface.
    Colour point(double x, double y) const;
    // A straight line of the current draw width.
    void line(double x1, double y1, double x2, double y2, Colour colour);
    // Text in the picture's font and fore colour, its top-left corner at the point.
    void print(double x, double y, const QString& text);

    // Scale units to pixel positions.
    int pixel_x(double x) const;
    int pixel_y(double y) const;

    int draw_width = 1;
    Colour fore_colour = colours::black;
    QFont font;

  private:
    void fill(int left, int top, int right, int bottom, QRgb rgb);
    // Works out an exclusive-or left pending.
    void settle() const;

    mutable QImage image_;
    mutable std::optional<std::pair<QImage, QImage>> pending_exclusive_or_;
    double scale_width_;
    double scale_height_;
    double x_factor_;  // pixels per unit
    double y_factor_;
};
