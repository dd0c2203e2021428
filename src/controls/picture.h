#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <optional>
#include <vector>

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
    // The surface becomes first XOR second, word by word, first with what was drawn on it. For
    // pictures of the surface's size the whole surface is worked out only when something reads
    // it; until then single pixels are read from the two pictures (pixel_row), which is all the
    // motion measure needs.
    void set_exclusive_or(const Picture& first, const QImage& second);

    // A filled block of pixels, drawn on a surface shared with another picture.
    struct Fill {
        int left, top, right, bottom;
        QRgb rgb;
    };
    static constexpr int most_pending_fills = 8;

    // One pixel row of the surface: its scan line, or, while drawing or an exclusive-or is
    // pending, the scan lines and the blocks it comes from.
    struct PixelRow {
        struct Span {
            int left, right;
            QRgb rgb;
        };
        // The scan lines alone, without the blocks: cheaper to read where no block lies.
        struct ScanLines {
            const QRgb* first;
            const QRgb* second;  // null unless an exclusive-or is pending
            QRgb operator[](int px) const { return second ? first[px] ^ second[px] : first[px]; }
        };
        ScanLines lines;
        std::array<Span, most_pending_fills> spans;  // blocks drawn over first, later ones on top
        int span_count = 0;
        QRgb operator[](int px) const {
            QRgb rgb = lines.first[px];
            for (int i = 0; i < span_count; ++i) {
                if (px >= spans[i].left && px <= spans[i].right) rgb = spans[i].rgb;
            }
            return lines.second ? rgb ^ lines.second[px] : rgb;
        }
        bool drawn_between(int left, int right) const {
            for (int i = 0; i < span_count; ++i) {
                if (spans[i].left <= right && spans[i].right >= left) return true;
            }
            return false;
        }
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
    struct PendingExclusiveOr {
        QImage first;
        std::vector<Fill> first_fills;
        QImage second;
    };

    void fill(int left, int top, int right, int bottom, QRgb rgb);
    // Works out an exclusive-or and drawing left pending.
    void settle() const;

    mutable QImage image_;
    mutable std::optional<PendingExclusiveOr> pending_exclusive_or_;
    // Blocks drawn on a surface that shares its pixels with another picture (the camera picture
    // shares the frame it shows): kept aside rather than copying the frame each time, and drawn
    // when the surface is read as a whole.
    mutable std::vector<Fill> pending_fills_;
    mutable bool shares_pixels_ = false;
    double scale_width_;
    double scale_height_;
    double x_factor_;  // pixels per unit
    double y_factor_;
};
