#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QImage>
#include <QString>
#include <atomic>
#include <chrono>
#include <optional>

#include "platform/gst/gst_ptr.h"
#include "platform/gst/video_source.h"
#include "seams/camera_device.h"

// A source, decoded and scaled to the engine's 320 x 240 frames, ending in an app sink the
// program pulls from. Shared by the camera (newest frame only, at the source's own pace) and the
// clip reader (every frame in order, as fast as it decodes).
class GstVideoPipeline {
  public:
    enum class Pace {
        live,        // the newest frame only, older ones dropped; a file plays at its own rate
        every_frame  // nothing dropped, no waiting on the clock
    };

    // A device is asked for `mode`; without one, the device and the decoder agree on a mode.
    GstVideoPipeline(const VideoSource& source, Pace pace,
                     const std::optional<CameraMode>& mode = std::nullopt);
    ~GstVideoPipeline();
    GstVideoPipeline(const GstVideoPipeline&) = delete;
    GstVideoPipeline& operator=(const GstVideoPipeline&) = delete;

    // All elements could be made (the plugins are installed).
    bool is_built() const { return pipeline_ != nullptr; }
    GstElement* pipeline() const { return pipeline_.get(); }
    GstAppSink* sink() const { return sink_; }

    // Pictures that have come from the source so far, taken or not: a source that stops
    // sending them has stalled.
    quint64 pictures_in() const { return pictures_in_.load(std::memory_order_relaxed); }

    // Starts playing; false when the source cannot be opened (no such device or file, not a
    // video), with the reason in `error`.
    bool start(std::chrono::milliseconds limit, QString* error = nullptr);
    // Releases the source.
    void stop();
    // Back to the first frame, keeping the state.
    bool rewind();

    // A sample's picture as a 320 x 240 RGB32 image over the buffer's memory, without a copy.
    static std::optional<QImage> frame_of(GstSample* sample);
    // Where in the clip a sample lies.
    static qint64 clip_ms_of(GstSample* sample);

  private:
    bool build(const VideoSource& source, Pace pace, const std::optional<CameraMode>& mode);
    GstElement* add_tail(Pace pace);
    void count_pictures_into(GstElement* first);

    GstElementPtr pipeline_;
    GstAppSink* sink_ = nullptr;  // the pipeline's
    std::atomic<quint64> pictures_in_{0};
};
