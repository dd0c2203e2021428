#include "controls/picture.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

Picture::Picture(int pixel_width, int pixel_height, double scale_width, double scale_height,
                 Colour back_colour)
    : image_(pixel_width, pixel_height, QImage::Format_RGB32),
      scale_width_(scale_width),
      scale_height_(scale_height),
      x_factor_(pixel_width / scale_width),
      y_factor_(pixel_height / scale_height) {
    image_.fill(to_rgb(back_colour));
}

namespace {
void exclusive_or_row(const quint32* __restrict first, const quint32* __restrict second,
                      quint32* __restrict out, qsizetype count) {
    for (qsizetype x = 0; x < count; ++x) out[x] = first[x] ^ second[x];
}

// out := first XOR second over the whole of the smallest picture, in whole words, with no
// per-pixel branch.
void exclusive_or(const QImage& first, const QImage& second, QImage& out) {
    const int width = std::min({first.width(), second.width(), out.width()});
    const int height = std::min({first.height(), second.height(), out.height()});
    auto* o = reinterpret_cast<quint32*>(out.bits());
    const auto* a = reinterpret_cast<const quint32*>(first.constBits());
    const auto* b = reinterpret_cast<const quint32*>(second.constBits());
    const qsizetype row = width * qsizetype(sizeof(quint32));
    if (first.bytesPerLine() == row && second.bytesPerLine() == row && out.bytesPerLine() == row) {
        exclusive_or_row(a, b, o, qsizetype(width) * height);
        return;
    }
    for (int y = 0; y < height; ++y) {
        exclusive_or_row(a + y * first.bytesPerLine() / 4, b + y * second.bytesPerLine() / 4,
                         o + y * out.bytesPerLine() / 4, width);
    }
}

bool same_surface(const QImage& picture, const QImage& surface) {
    return picture.size() == surface.size() && picture.depth() == 32;
}

template <typename Pixel>
void for_each_row(QImage& image, const Picture::Fill& block, Pixel pixel) {
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = block.top; y <= block.bottom; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride);
        for (int x = block.left; x <= block.right; ++x) row[x] = pixel(x, y);
    }
}

void draw(QImage& image, const Picture::Fill& block) {
    for_each_row(image, block, [&block](int, int) { return block.rgb; });
}

// A block drawn on the first picture of an exclusive-or shows as its colour XOR the second.
void draw_over_exclusive_or(QImage& image, const Picture::Fill& block, const QImage& second) {
    for_each_row(image, block, [&](int x, int y) {
        return block.rgb ^ reinterpret_cast<const QRgb*>(second.constScanLine(y))[x];
    });
}
}  // namespace

// A pending exclusive-or is replaced as a whole: the new one covers the whole surface.
void Picture::set_exclusive_or(const Picture& first, const QImage& second) {
    if (first.pending_exclusive_or_) first.settle();
    if (same_surface(first.image_, image_) && same_surface(second, image_)) {
        pending_fills_.clear();
        pending_exclusive_or_.emplace(
            PendingExclusiveOr{first.image_, first.pending_fills_, second});
        return;
    }
    settle();
    exclusive_or(first.image(), second, image_);
}

void Picture::settle() const {
    if (pending_exclusive_or_) {
        const PendingExclusiveOr pending = std::move(*pending_exclusive_or_);
        pending_exclusive_or_.reset();
        exclusive_or(pending.first, pending.second, image_);
        shares_pixels_ = false;
        for (const Fill& block : pending.first_fills)
            draw_over_exclusive_or(image_, block, pending.second);
    }
    if (!pending_fills_.empty()) {
        for (const Fill& block : pending_fills_) draw(image_, block);
        pending_fills_.clear();
        shares_pixels_ = false;
    }
}

Picture::PixelRow Picture::pixel_row(int py) const {
    const auto line = [py](const QImage& image) {
        return reinterpret_cast<const QRgb*>(image.constScanLine(py));
    };
    PixelRow row{};
    const auto add_spans = [&row, py](const std::vector<Fill>& blocks) {
        for (const Fill& block : blocks) {
            if (py >= block.top && py <= block.bottom)
                row.spans[row.span_count++] = {block.left, block.right, block.rgb};
        }
    };
    if (pending_exclusive_or_) {
        row.lines = {line(pending_exclusive_or_->first), line(pending_exclusive_or_->second)};
        add_spans(pending_exclusive_or_->first_fills);
    } else {
        row.lines = {line(image_), nullptr};
        add_spans(pending_fills_);
    }
    return row;
}

void Picture::set_picture(const QImage& picture) {
    if (picture.isNull()) return;
    pending_exclusive_or_.reset();
    pending_fills_.clear();
    shares_pixels_ = picture.size() == image_.size() && picture.format() == QImage::Format_RGB32;
    if (shares_pixels_) {
        image_ = picture;  // shared until either side draws on it
    } else {
        image_ = picture.convertToFormat(QImage::Format_RGB32)
                     .scaled(image_.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
}

namespace {
// std::floor is a library call on the baseline x86-64 instruction set, and the graph and the
// measure place thousands of points a second.
int floor_to_int(double value) {
    const int truncated = static_cast<int>(value);
    return truncated - (value < truncated);
}
}  // namespace

int Picture::pixel_x(double x) const {
    return floor_to_int(x * x_factor_);
}

int Picture::pixel_y(double y) const {
    return floor_to_int(y * y_factor_);
}

Colour Picture::point(double x, double y) const {
    settle();
    const int px = pixel_x(x);
    const int py = pixel_y(y);
    if (px < 0 || py < 0 || px >= image_.width() || py >= image_.height()) return colours::black;
    return from_rgb(reinterpret_cast<const QRgb*>(image_.constScanLine(py))[px]);
}

void Picture::fill(int left, int top, int right, int bottom, QRgb rgb) {
    const Fill block{std::max(left, 0), std::max(top, 0), std::min(right, image_.width() - 1),
                     std::min(bottom, image_.height() - 1), rgb};
    if (block.left > block.right || block.top > block.bottom) return;
    if (pending_exclusive_or_) settle();
    if (shares_pixels_ && pending_fills_.size() < most_pending_fills) {
        pending_fills_.push_back(block);
        return;
    }
    settle();
    draw(image_, block);
}

void Picture::line(double x1, double y1, double x2, double y2, Colour colour) {
    const int px1 = pixel_x(x1), py1 = pixel_y(y1);
    const int px2 = pixel_x(x2), py2 = pixel_y(y2);
    const int width = std::max(draw_width, 1);
    const int before = (width - 1) / 2;
    const int after = width / 2;
    // Upright and level lines (the graph's bars, the rectangle, the threshold line) are filled
    // straight into the scan lines: they are drawn many times a second.
    if (px1 == px2) {
        fill(px1 - before, std::min(py1, py2), px1 + after, std::max(py1, py2), to_rgb(colour));
        return;
    }
    if (py1 == py2) {
        fill(std::min(px1, px2), py1 - before, std::max(px1, px2), py1 + after, to_rgb(colour));
        return;
    }
    settle();
    QPainter painter(&image_);
    painter.setPen(QPen(QColor(to_rgb(colour)), width));
    painter.drawLine(px1, py1, px2, py2);
}

void Picture::print(double x, double y, const QString& text) {
    settle();
    QPainter painter(&image_);
    painter.setFont(font);
    painter.setPen(QColor(to_rgb(fore_colour)));
    const QFontMetrics metrics(font);
    painter.drawText(pixel_x(x), pixel_y(y) + metrics.ascent(), text);
}
