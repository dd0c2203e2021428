#pragma once

#include <gst/gst.h>

#include <optional>

#include "seams/camera_device.h"

// The head of a camera's pipeline: what comes before the pictures are raw.
namespace camera_head {

// Links a capture device's source to `next` through a filter that asks for `mode` and, for a
// compressed mode, its decoder. Without a known mode the device may send raw or MJPEG pictures
// and a decoder bin takes either. False when an element is missing or the link is refused.
bool link(GstBin* bin, GstElement* device, const std::optional<CameraMode>& mode, GstElement* next);

// Links the first video stream a decoder bin finds to `next`, once it is found.
void link_first_video_pad(GstElement* decoder, GstElement* next);
// Links the first stream of pictures a parser finds, raw or still compressed, to `decoder`.
void link_first_picture_stream(GstElement* parser, GstElement* decoder);

}  // namespace camera_head
