#include "desktop/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

PictureView::PictureView(QWidget* parent, double scale_width, double scale_height)
    : QFrame(parent), scale_width_(scale_width), scale_height_(scale_height) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::set_image(const QImage& image) {
    image_ = image;
    update(contentsRect());
}

void PictureView::set_notice(const QString& notice) {
    if (notice == notice_) return;
    notice_ = notice;
    update(contentsRect());
}

QPointF PictureView::to_units(const QPointF& position) const {
    const QRect inside = contentsRect();
    if (inside.width() <= 0 || inside.height() <= 0) return {};
    return QPointF((position.x() - inside.left()) * scale_width_ / inside.width(),
                   (position.y() - inside.top()) * scale_height_ / inside.height());
}

void PictureView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(contentsRect(), palette().window());
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.drawImage(contentsRect(), image_);
    }
    if (!notice_.isEmpty()) {
        // A band across the middle, legible over any picture.
        QRect band = contentsRect();
        band.setHeight(fontMetrics().height() * 3);
        band.moveCenter(contentsRect().center());
        painter.fillRect(band, QColor(0, 0, 0, 190));
        painter.setPen(Qt::white);
        painter.drawText(band.adjusted(6, 0, -6, 0), Qt::AlignCenter | Qt::TextWordWrap, notice_);
    }
    if (on_painted) on_painted();
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    if (on_press) on_press(to_units(event->position()));
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    if (on_move) on_move(to_units(event->position()));
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (on_release) on_release(to_units(event->position()));
}
