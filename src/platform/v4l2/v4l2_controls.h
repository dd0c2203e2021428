#pragma once

#include <QString>
#include <vector>

#include "seams/camera_device.h"

// A capture device's own controls through the V4L2 control API. The device may be streaming
// meanwhile: V4L2 lets a second handle read and set controls.
class V4l2Controls {
  public:
    // Opens the device; every call below fails quietly when it could not.
    explicit V4l2Controls(const QString& path);
    ~V4l2Controls();
    V4l2Controls(const V4l2Controls&) = delete;
    V4l2Controls& operator=(const V4l2Controls&) = delete;

    // The user controls the driver lists (integers, switches and menus), with their values.
    std::vector<CameraControl> list() const;
    bool set(unsigned id, int value) const;

  private:
    bool read(CameraControl& control) const;
    std::vector<std::pair<int, QString>> menu_items(unsigned id, int minimum, int maximum,
                                                    bool integer_menu) const;

    QString path_;
    int fd_ = -1;
};
