#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/gst/video_source.h"
#include "seams/camera.h"
#include "seams/camera_device.h"

class GstBusRelay;
class GstVideoPipeline;

// The camera on GStreamer: a capture device, a video file (played at its own rate and started
// again at its end, like a camera that never stops) or a stream. A grab takes the newest frame
// without waiting. A camera that goes away while running (unplugged, a stream that ends, breaks
// or stalls) leaves the program with its last frame and is reported once through `on_problem`.
// A capture device is opened in the mode the user chose, or else the one that costs least.
class GstCamera : public Camera, private CameraDevice {
  public:
    // A source that sends no picture for this long has stalled.
    static constexpr std::chrono::milliseconds default_stall_limit{10000};

    // `source`: "auto", "/dev/videoN", a file path, or a URI.
    explicit GstCamera(const QString& source,
                       std::chrono::milliseconds stall_limit = default_stall_limit);
    ~GstCamera() override;

    bool open() override;
    std::optional<QImage> grab() override;
    void close() override;
    CameraDevice* device() override;

    // Told once per opening, on the thread that made the camera, between the program's handlers.
    // Set by the run's bindings (make_bindings), which pass it to the session's report.
    std::function<void(const QString& problem)> on_problem;
    // Why the last open() failed.
    const QString& open_error() const { return open_error_; }

  private:
    // CameraDevice
    std::vector<CameraInfo> cameras() override;
    CameraChoice choice() const override { return choice_; }
    void restore(const CameraChoice& choice) override;
    void choose(const QString& path, const std::optional<CameraMode>& mode) override;
    std::vector<CameraControl> controls() override;
    bool set_control(unsigned id, int value) override;

    // The device this camera opens: the chosen one, the one named, or the first listed.
    QString device_path();
    VideoSource source_to_open(std::optional<CameraMode>& mode);
    void apply_controls();
    void watch_for_stall();
    void handle(GstMessage* message);
    void fail(const QString& problem);
    void report(const QString& problem);

    VideoSource source_;
    CameraChoice choice_;
    std::unique_ptr<GstVideoPipeline> pipeline_;
    std::unique_ptr<GstBusRelay> relay_;
    QString open_error_;
    QObject context_;  // for reports that outlive a close()
    QTimer stall_watch_;
    std::chrono::milliseconds stall_limit_;
    quint64 pictures_seen_ = 0;
    std::chrono::steady_clock::time_point last_picture_;
    bool failed_ = false;
};
