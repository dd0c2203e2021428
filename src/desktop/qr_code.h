#pragma once

#include <QImage>
#include <QString>

// `text` as a QR code (libqrencode, medium error correction) with its quiet border, `scale`
// pixels a module: black on white, as phone cameras read them. Null when the text is too long.
QImage qr_code(const QString& text, int scale);
