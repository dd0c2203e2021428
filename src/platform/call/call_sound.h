#pragma once

#include <gst/gst.h>

// The call's sound ends on this machine: the default microphone and speaker when there are
// such devices, and stand-ins that keep the call going when there are none (a machine without
// a sound card is a common alarm box): silence is sent and the owner's voice is dropped.
namespace call_sound {

// A live source of the room's sound (silence without a microphone). Floating.
GstElement* make_microphone();
// Where the owner's voice is played (nowhere without a speaker). Floating.
GstElement* make_speaker();

}  // namespace call_sound
