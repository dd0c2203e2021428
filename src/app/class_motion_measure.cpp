#include <algorithm>

#include "app/class_motion.h"
#include "controls/picture.h"

namespace {
void exclusive_or_row(const quint32* __restrict background, const quint32* __restrict input,
                      quint32* __restrict out, qsizetype count) {
    for (qsizetype x = 0; x < count; ++x) out[x] = background[x] ^ input[x];
}

// motion := background XOR input, over the whole of the smaller picture, in whole words: the
// copy and the exclusive-or of the two raster operations in one pass, with no per-pixel branch.
void exclusive_or(const QImage& background, const QImage& input, QImage& motion) {
    const int width = std::min({background.width(), input.width(), motion.width()});
    const int height = std::min({background.height(), input.height(), motion.height()});
    auto* out = reinterpret_cast<quint32*>(motion.bits());
    const auto* b = reinterpret_cast<const quint32*>(background.constBits());
    const auto* in = reinterpret_cast<const quint32*>(input.constBits());
    const qsizetype row = width * qsizetype(sizeof(quint32));
    if (background.bytesPerLine() == row && input.bytesPerLine() == row &&
        motion.bytesPerLine() == row) {
        exclusive_or_row(b, in, out, qsizetype(width) * height);
        return;
    }
    for (int y = 0; y < height; ++y) {
        exclusive_or_row(b + y * background.bytesPerLine() / 4, in + y * input.bytesPerLine() / 4,
                         out + y * motion.bytesPerLine() / 4, width);
    }
}
}  // namespace

// The background is always the previous frame: the difference image is previous XOR newest, and
// the newest frame becomes the camera picture the user sees.
void ClassMotion::Vision_Motion(Picture& inputImage, Picture& backgroundImage,
                                Picture& motionImage) {
    Vision_VFWgrab(inputImage);
    exclusive_or(backgroundImage.image(), inputImage.image(), motionImage.image());
    backgroundImage.set_picture(inputImage.image());
}
