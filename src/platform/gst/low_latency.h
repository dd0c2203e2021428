#pragma once

#include <gst/gst.h>

// Settings that keep a live picture live: a camera is worth only its newest frame.
namespace low_latency {

// Decoders that run on the graphics hardware are chosen before the software ones (once per
// process; only those GStreamer found working hardware for are registered at all).
void prefer_hardware_decoders();

// Tunes each element as it joins the pipeline, deep inside decoders included: no network
// jitter buffer, HTTP streams taken as live and as one stream, no decoder that holds frames
// back for threading.
void tune_elements_of(GstElement* pipeline);

}  // namespace low_latency
