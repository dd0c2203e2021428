#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <optional>

#include "platform/gst/gst_ptr.h"
#include "platform/gst/video_source.h"

class GstBusRelay;

// The camera as a call shows it: the program's picture source (a device, a file, a stream) at
// its own size up to 640 x 480, rather than the engine's 320 x 240 frames. Opened when the owner
// may see the room, closed when the call ends; a file plays at its own rate and starts again at
// its end.
class CallCamera {
  public:
    static constexpr int max_width = 640;
    static constexpr int max_height = 480;

    explicit CallCamera(VideoSource source);
    ~CallCamera();
    CallCamera(const CallCamera&) = delete;
    CallCamera& operator=(const CallCamera&) = delete;

    // False when the source cannot be opened (no such device, busy, not a video).
    bool open();
    // The newest picture, without waiting; nothing when none is new.
    std::optional<QImage> newest();
    void close();

  private:
    bool build();
    GstElement* add_tail();

    VideoSource source_;
    GstElementPtr pipeline_;
    GstElement* sink_ = nullptr;  // the pipeline's
    std::unique_ptr<GstBusRelay> relay_;
};
