#pragma once

#include <gst/gst.h>

// The call's sound ends on this machine: the default microphone and speaker when there are
// such devices, and stand-ins that keep the call going when there are none (a machine without
// a sound card is a common alarm box) or when one fails: silence is sent and the owner's voice
// is dropped.
namespace call_sound {

// The default microphone, or null when the machine has none. Floating.
GstElement* make_microphone();
// Live silence: what the call sends under (and instead of) the microphone. Floating.
GstElement* make_silence();
// Where the owner's voice is played (nowhere without a speaker). Floating.
GstElement* make_speaker();

}  // namespace call_sound
