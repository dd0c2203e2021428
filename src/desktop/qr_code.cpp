#include "desktop/qr_code.h"

#include <qrencode.h>

QImage qr_code(const QString& text, int scale) {
    QRcode* code = QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code) return {};
    constexpr int border = 4;  // the quiet zone readers need around the code
    const int size = code->width + 2 * border;
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)  // the module's lowest bit: dark
                image.setPixel(x + border, y + border, qRgb(0, 0, 0));
    QRcode_free(code);
    return image.scaled(size * scale, size * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
