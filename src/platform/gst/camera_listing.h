#pragma once

#include <QString>
#include <vector>

#include "seams/camera_device.h"

// The capture devices GStreamer's device monitor sees, with the modes each offers.
namespace camera_listing {

std::vector<CameraInfo> cameras();
// The modes of one device, asked of the device itself (it may be missing from the list).
std::vector<CameraMode> modes_of(const QString& path);
// The listing as `--camera list` prints it.
QString text(const std::vector<CameraInfo>& cameras);

}  // namespace camera_listing
