#pragma once

#include <QImage>
#include <functional>

#include "seams/camera.h"

// The built-in camera scene: a still room, a figure that walks across now and then, and a little
// sensor noise. Frames follow the clock it is given, so a run in virtual time sees the same
// pictures every time.
class DemoCamera : public Camera {
  public:
    static constexpr qint64 frame_period_ms = 33;
    static constexpr qint64 cycle_ms = 20000;  // a walk starts every 20 seconds
    static constexpr qint64 walk_start_ms = 8000;
    static constexpr qint64 walk_length_ms = 6000;

    explicit DemoCamera(std::function<qint64()> clock_ms);

    bool open() override;
    std::optional<QImage> grab() override;
    void close() override { open_ = false; }

    // The scene at a moment, whatever was grabbed before.
    QImage frame_at(qint64 ms) const;
    // Whether the figure is in view at a moment.
    static bool walking_at(qint64 ms);

  private:
    void draw_figure(QImage& frame, qint64 ms) const;
    void add_noise(QImage& frame, qint64 frame_number) const;

    std::function<qint64()> clock_ms_;
    QImage room_;
    bool open_ = false;
    qint64 last_frame_number_ = -1;
};
