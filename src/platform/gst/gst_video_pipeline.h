#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QImage>
#include <QString>
#include <chrono>
#include <optional>

#include "platform/gst/video_source.h"

// A source, decoded and scaled to the engine's 320 x 240 frames, ending in an app sink the
// program pulls from. Shared by the camera (newest frame only, at the source's own pace) and the
// clip reader (every frame in order, as fast as it decodes).
class GstVideoPipeline {
  public:
    enum class Pace {
        live,        // the newest frame only, older ones dropped; a file plays at its own rate
        every_frame  // nothing dropped, no waiting on the clock
    };

    GstVideoPipeline(const VideoSource& source, Pace pace);
    ~GstVideoPipeline();
    GstVideoPipeline(const GstVideoPipeline&) = delete;
    GstVideoPipeline& operator=(const GstVideoPipeline&) = delete;

    // All elements could be made (the plugins are installed).
    bool is_built() const { return pipeline_ != nullptr; }
    GstElement* pipeline() const { return pipeline_; }
    GstAppSink* sink() const { return sink_; }

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
    bool build(const VideoSource& source, Pace pace);
    GstElement* add_tail(Pace pace);
    static void on_pad_added(GstElement* decoder, GstPad* pad, gpointer tail);

    GstElement* pipeline_ = nullptr;
    GstAppSink* sink_ = nullptr;
};
