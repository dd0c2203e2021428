#pragma once

#include <QImage>
#include <optional>

#include "seams/camera.h"

// The camera of a replay: it hands the engine the frame the replay put in front of it, once;
// until the next one it has nothing new, as a real camera between two frames.
class ReplayCamera : public Camera {
  public:
    void show(const QImage& frame) {
        frame_ = frame;
        fresh_ = true;
    }

    bool open() override {
        open_ = true;
        return true;
    }
    std::optional<QImage> grab() override {
        if (!open_ || !fresh_) return std::nullopt;
        fresh_ = false;
        return frame_;
    }
    void close() override { open_ = false; }

  private:
    QImage frame_;
    bool fresh_ = false;
    bool open_ = false;
};
