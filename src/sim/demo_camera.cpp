#include "sim/demo_camera.h"

#include <QPainter>
#include <QRandomGenerator>

namespace {
QImage paint_room() {
    QImage room(Camera::frame_width, Camera::frame_height, QImage::Format_RGB32);
    QPainter p(&room);
    p.fillRect(0, 0, 320, 170, QColor(196, 182, 150));  // wall
    p.fillRect(0, 170, 320, 70, QColor(118, 92, 66));   // floor
    p.fillRect(0, 166, 320, 6, QColor(90, 70, 52));     // skirting board
    p.fillRect(30, 30, 90, 70, QColor(150, 190, 220));  // window
    p.setPen(QPen(QColor(240, 240, 232), 4));
    p.drawRect(30, 30, 90, 70);
    p.drawLine(75, 30, 75, 100);
    p.fillRect(220, 50, 60, 120, QColor(120, 84, 52));  // door
    p.setBrush(QColor(210, 190, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(230, 112), 3, 3);           // door knob
    p.fillRect(140, 140, 60, 8, QColor(84, 60, 40));  // table top
    p.fillRect(146, 148, 6, 40, QColor(84, 60, 40));
    p.fillRect(188, 148, 6, 40, QColor(84, 60, 40));
    return room;
}
}  // namespace

DemoCamera::DemoCamera(std::function<qint64()> clock_ms)
    : clock_ms_(std::move(clock_ms)), room_(paint_room()) {}

bool DemoCamera::open() {
    open_ = true;
    last_frame_number_ = -1;
    return true;
}

std::optional<QImage> DemoCamera::grab() {
    if (!open_) return std::nullopt;
    const qint64 now = clock_ms_();
    const qint64 frame_number = now / frame_period_ms;
    if (frame_number == last_frame_number_) return std::nullopt;
    last_frame_number_ = frame_number;
    return frame_at(now);
}

bool DemoCamera::walking_at(qint64 ms) {
    const qint64 in_cycle = ms % cycle_ms;
    return in_cycle >= walk_start_ms && in_cycle < walk_start_ms + walk_length_ms;
}

QImage DemoCamera::frame_at(qint64 ms) const {
    QImage frame = room_.copy();
    if (walking_at(ms)) draw_figure(frame, ms);
    add_noise(frame, ms / frame_period_ms);
    return frame;
}

// A person crossing from left to right, legs swinging as they go.
void DemoCamera::draw_figure(QImage& frame, qint64 ms) const {
    const double progress = double(ms % cycle_ms - walk_start_ms) / walk_length_ms;
    const double x = -30 + progress * 380;
    const double swing = ((ms / 250) % 2 == 0) ? 7 : -7;
    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(224, 172, 140));
    p.drawEllipse(QPointF(x, 92), 10, 12);  // head
    p.setBrush(QColor(38, 64, 132));
    p.drawRoundedRect(QRectF(x - 14, 105, 28, 52), 6, 6);  // body
    p.setPen(QPen(QColor(30, 30, 36), 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x - 6, 155), QPointF(x - 6 + swing, 200));
    p.drawLine(QPointF(x + 6, 155), QPointF(x + 6 - swing, 200));
}

// A few hundred pixels a frame, each a shade off: what a cheap sensor shows in a still room.
void DemoCamera::add_noise(QImage& frame, qint64 frame_number) const {
    QRandomGenerator random(static_cast<quint32>(frame_number * 2654435761u));
    for (int n = 0; n < 300; ++n) {
        const int x = random.bounded(frame.width());
        const int y = random.bounded(frame.height());
        const int delta = random.bounded(-3, 4);
        QRgb& pixel = reinterpret_cast<QRgb*>(frame.scanLine(y))[x];
        pixel = qRgb(qBound(0, qRed(pixel) + delta, 255), qBound(0, qGreen(pixel) + delta, 255),
                     qBound(0, qBlue(pixel) + delta, 255));
    }
}
