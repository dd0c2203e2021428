#include "windows/program_icon.h"

#include <QPainter>
#include <QPainterPath>

QImage program_icon() {
    // Opaque, so it looks the same on a picture control (which has no transparency) and in a
    // title bar.
    QImage icon(32, 32, QImage::Format_RGB32);
    icon.fill(QColor(24, 52, 92));
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    QPainterPath eye;
    eye.moveTo(4, 17);
    eye.quadTo(16, 5, 28, 17);
    eye.quadTo(16, 29, 4, 17);
    p.setBrush(QColor(240, 240, 232));
    p.drawPath(eye);
    p.setBrush(QColor(0, 168, 96));
    p.drawEllipse(QPointF(16, 17), 6, 6);
    p.setBrush(QColor(16, 16, 16));
    p.drawEllipse(QPointF(16, 17), 2.6, 2.6);
    p.setBrush(QColor(230, 30, 30));
    p.drawEllipse(QPointF(26, 6), 3, 3);
    return icon;
}
