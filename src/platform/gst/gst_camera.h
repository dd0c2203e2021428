#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "seams/camera.h"
#include "platform/gst/video_source.h"

class GstBusRelay;
class GstVideoPipeline;

// The camera on GStreamer: a capture device, a video file (played at its own rate and started
// again at its end, like a camera that never stops) or a stream. A grab takes the newest frame
// without waiting. A camera that goes away while running (unplugged, a stream that ends or
// breaks) leaves the program with its last frame and is reported once through `on_problem`.
class GstCamera : public Camera {
  public:
    // `source`: "auto", "/dev/videoN", a file path, or a URI.
    explicit GstCamera(const QString& source);
    ~GstCamera() override;

    bool open() override;
    std::optional<QImage> grab() override;
    void close() override;

    // Told once per opening, on the thread that made the camera, between the program's handlers.
    std::function<void(const QString& problem)> on_problem;
    // Why the last open() failed.
    const QString& open_error() const { return open_error_; }

  private:
    void handle(GstMessage* message);
    void report(const QString& problem);

    VideoSource source_;
    std::unique_ptr<GstVideoPipeline> pipeline_;
    std::unique_ptr<GstBusRelay> relay_;
    QString open_error_;
    QObject context_;  // for reports that outlive a close()
    bool failed_ = false;
};
