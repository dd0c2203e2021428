#pragma once

#include <gst/gst.h>

#include <optional>
#include <vector>

#include "platform/gst/gst_ptr.h"
#include "seams/camera_device.h"

// The modes a capture device offers, read from its GStreamer caps, and the choice among them.
namespace camera_modes {

// One mode per format, size and frame rate the caps list (ranges of sizes are left out: a
// camera lists its sizes one by one).
std::vector<CameraMode> of_caps(const GstCaps* caps);

// The mode that costs least for the engine's 320 x 240 frames: the smallest raw mode of at
// least that size up to 640 x 480, else the smallest MJPEG mode; both at 20 fps or more. None
// when neither exists: the device and the decoder then agree on a mode themselves.
std::optional<CameraMode> least_work(const std::vector<CameraMode>& modes);

// The caps that ask the device for exactly this mode.
GstCapsPtr caps_of(const CameraMode& mode);

// The element that decodes the mode's pictures: none for raw ones.
const char* decoder_for(const CameraMode& mode);

}  // namespace camera_modes
