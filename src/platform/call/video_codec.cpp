#include "platform/call/video_codec.h"

#include <QStringList>

#include "platform/gst/gst_ptr.h"
#include "platform/gst/gst_runtime.h"

namespace video_codecs {

const std::vector<VideoCodec>& known() {
    static const std::vector<VideoCodec> codecs = {
        {QStringLiteral("VP8"), "vp8enc", "rtpvp8pay", nullptr, {}},
        // Constrained baseline (42e0), level 3.1 (1f): what every phone decodes in hardware.
        {QStringLiteral("H264"), "x264enc", "rtph264pay",
         "video/x-h264,profile=constrained-baseline",
         QStringLiteral("profile-level-id=42e01f;packetization-mode=1;level-asymmetry-allowed=1")},
    };
    return codecs;
}

using FactoryPtr = std::unique_ptr<GstElementFactory, gst_ptr::ObjectUnref>;

std::vector<VideoCodec> available() {
    gst_runtime::ensure_initialised();
    std::vector<VideoCodec> found;
    for (const VideoCodec& codec : known()) {
        const FactoryPtr encoder(gst_element_factory_find(codec.encoder));
        const FactoryPtr payloader(gst_element_factory_find(codec.payloader));
        if (encoder && payloader) found.push_back(codec);
    }
    return found;
}

const VideoCodec* find(const QString& name) {
    for (const VideoCodec& codec : known())
        if (codec.name.compare(name, Qt::CaseInsensitive) == 0) return &codec;
    return nullptr;
}

void configure(GstElement* encoder, const VideoCodec& codec, int bitrate) {
    if (codec.name == QLatin1String("H264")) {
        g_object_set(encoder, "key-int-max", 60u, "bframes", 0u, "threads", 2u, nullptr);
        gst_util_set_object_arg(G_OBJECT(encoder), "tune", "zerolatency");
        gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "ultrafast");
    } else {
        // Error-resilient, so that a lost packet spoils one picture, not the ones after it.
        g_object_set(encoder, "deadline", gint64(1), "cpu-used", 10, "lag-in-frames", 0,
                     "keyframe-max-dist", 60, "threads", 2, nullptr);
        gst_util_set_object_arg(G_OBJECT(encoder), "end-usage", "cbr");
        gst_util_set_object_arg(G_OBJECT(encoder), "error-resilient", "default+partitions");
    }
    set_bitrate(encoder, codec, bitrate);
}

void set_bitrate(GstElement* encoder, const VideoCodec& codec, int bitrate) {
    if (codec.name == QLatin1String("H264"))
        g_object_set(encoder, "bitrate", guint(bitrate / 1000), nullptr);  // kbit/s
    else
        g_object_set(encoder, "target-bitrate", bitrate, nullptr);
}

namespace {
QString parameter(const QString& fmtp, const QString& name) {
    for (const QString& part : fmtp.split(';', Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (trimmed.section('=', 0, 0).compare(name, Qt::CaseInsensitive) == 0)
            return trimmed.section('=', 1);
    }
    return {};
}

bool sendable(const VideoCodec& codec, const sdp_media::Payload& offered) {
    if (codec.name.compare(offered.name, Qt::CaseInsensitive) != 0) return false;
    if (codec.name != QLatin1String("H264")) return true;
    return parameter(offered.parameters, QStringLiteral("packetization-mode")) ==
           QLatin1String("1");
}

// Among H.264's payload types, one whose profile is constrained baseline comes first: the
// stream we send is that profile.
int rank(const sdp_media::Payload& offered) {
    const QString profile =
        parameter(offered.parameters, QStringLiteral("profile-level-id")).left(4).toLower();
    return profile == QLatin1String("42e0") || profile == QLatin1String("42c0") ? 0 : 1;
}
}  // namespace

std::optional<Choice> choose(const std::vector<sdp_media::Payload>& offered,
                             const std::vector<VideoCodec>& ours) {
    for (const VideoCodec& codec : ours) {
        const sdp_media::Payload* best = nullptr;
        for (const sdp_media::Payload& o : offered)
            if (sendable(codec, o) && (!best || rank(o) < rank(*best))) best = &o;
        if (best) return Choice{find(codec.name), best->number};
    }
    return std::nullopt;
}

}  // namespace video_codecs
