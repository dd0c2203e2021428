#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

class CameraDevice;

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
    // The capture device's own format and settings; none for a file, a stream or the demo scene.
    virtual CameraDevice* device() { return nullptr; }

    // Told when an open camera stops delivering for good (unplugged, a stream that ended or
    // broke), between the program's handlers. The camera is closed by then or may be closed;
    // whoever listens may open it again. Set by the engine (ClassMotion), which alone keeps the
    // camera open for long.
    std::function<void(const QString& problem)> on_lost;
};
