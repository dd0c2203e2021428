#pragma once

#include <QImage>
#include <optional>

// The video-capture device. Frames are 320 x 240.
class Camera {
public:
    static constexpr int frame_width = 320;
    static constexpr int frame_height = 240;

    virtual ~Camera() = default;
    // Connects to the device; false when there is none to connect to.
    virtual bool open() = 0;
    // The newest frame, at once; nothing when no new frame has come (or the device is closed).
    virtual std::optional<QImage> grab() = 0;
    // Releases the device, so that another program (a video call) can use it.
    virtual void close() = 0;
    // The device's own format and source settings; they return when the user is done.
    virtual void show_format_dialog() {}
    virtual void show_source_dialog() {}
};
