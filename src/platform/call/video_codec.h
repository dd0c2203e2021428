#pragma once

#include <gst/gst.h>

#include <QString>
#include <optional>
#include <vector>

#include "platform/call/sdp_media.h"

// The video codecs a call can send: VP8, which every messenger app has and which costs little
// to encode, and H.264 when GStreamer has an encoder for it (x264enc, from plugins-ugly), for
// the apps that prefer it. Each as SDP names it, with the elements that make it.
struct VideoCodec {
    QString name;         // as SDP and Jingle write it
    const char* encoder;  // GStreamer elements
    const char* payloader;
    const char* encoded;  // caps between encoder and payloader, or null
    QString parameters;   // what an offer says of it (fmtp), or empty
};

namespace video_codecs {

// Every codec a call knows, preferred first.
const std::vector<VideoCodec>& known();
// Those this machine's GStreamer has the elements for, preferred first.
std::vector<VideoCodec> available();
// By name, any case; null when unknown.
const VideoCodec* find(const QString& name);

// A live encoder for a small CPU: no frames held back, a key frame every few seconds, the rate
// in bit/s.
void configure(GstElement* encoder, const VideoCodec& codec, int bitrate);
void set_bitrate(GstElement* encoder, const VideoCodec& codec, int bitrate);

// Of an SDP media line's payload types (number, name, fmtp), the one to send: the first known
// codec in our order that the line has, and for H.264 the packetization mode 1 that our
// payloader writes (mode 0 alone cannot carry a large key frame).
struct Choice {
    const VideoCodec* codec = nullptr;
    int payload = -1;
};
std::optional<Choice> choose(const std::vector<sdp_media::Payload>& offered,
                             const std::vector<VideoCodec>& ours);

}  // namespace video_codecs
