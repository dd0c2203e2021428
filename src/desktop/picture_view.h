#pragma once

#include <QFrame>
#include <QImage>
#include <functional>

// A picture control on screen: the model's surface stretched over the inside of a sunken
// border, and the mouse reported in the picture's own units (its user scale).
class PictureView : public QFrame {
  public:
    explicit PictureView(QWidget* parent, double scale_width = 1, double scale_height = 1);

    void set_image(const QImage& image);
    const QImage& image() const { return image_; }
    // A line said over the picture (why no picture comes); empty for none.
    void set_notice(const QString& notice);
    const QString& notice() const { return notice_; }
    // Where a point of the widget lies in the picture's units.
    QPointF to_units(const QPointF& position) const;

    // Who sets its hooks: main_view, for the camera picture, hands the mouse to the model's drag;
    // startup_marks sets `on_painted` when start-up times are measured.
    std::function<void(QPointF)> on_press, on_move, on_release;
    std::function<void()> on_painted;
    bool smooth = false;  // smooth stretching, for a small picture shown large

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage image_;
    QString notice_;
    double scale_width_;
    double scale_height_;
};
