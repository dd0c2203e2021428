#include "platform/gst/gst_video_pipeline.h"

#include <gst/video/video.h>

#include <cstring>

#include "seams/camera.h"
#include "platform/gst/gst_runtime.h"

namespace {
GstCaps* frame_caps() {
    return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, gst_runtime::rgb32_format(),
                               "width", G_TYPE_INT, Camera::frame_width, "height", G_TYPE_INT,
                               Camera::frame_height, nullptr);
}

GstElement* make(const char* factory) {
    return gst_element_factory_make(factory, nullptr);
}
}  // namespace

GstVideoPipeline::GstVideoPipeline(const VideoSource& source, Pace pace) {
    gst_runtime::ensure_initialised();
    if (!build(source, pace) && pipeline_) {
        gst_object_unref(pipeline_);
        pipeline_ = nullptr;
        sink_ = nullptr;
    }
}

GstVideoPipeline::~GstVideoPipeline() {
    if (!pipeline_) return;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
}

bool GstVideoPipeline::build(const VideoSource& source, Pace pace) {
    pipeline_ = gst_pipeline_new(nullptr);
    GstElement* head = source.make_element();
    GstElement* convert = make("videoconvert");
    GstElement* scale = make("videoscale");
    GstElement* filter = make("capsfilter");
    GstElement* sink = make("appsink");
    for (GstElement* element : {head, convert, scale, filter, sink}) {
        if (element) gst_bin_add(GST_BIN(pipeline_), element);
    }
    if (!head || !convert || !scale || !filter || !sink) return false;

    GstCaps* caps = frame_caps();
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    sink_ = GST_APP_SINK(sink);
    const bool live = pace == Pace::live;
    // A camera's end is known at once, whether or not its last frame was taken.
    g_object_set(sink, "sync", live, "drop", live, "max-buffers", live ? 1u : 8u, "wait-on-eos",
                 !live, nullptr);

    if (!gst_element_link_many(convert, scale, filter, sink, nullptr)) return false;
    if (source.has_dynamic_pads()) {
        g_signal_connect(head, "pad-added", G_CALLBACK(&GstVideoPipeline::on_pad_added), convert);
        return true;
    }
    return gst_element_link(head, convert);
}

// The decoder offers a pad per stream it finds: the first video stream is the one we show; sound
// and further streams are left unlinked.
void GstVideoPipeline::on_pad_added(GstElement*, GstPad* pad, gpointer convert) {
    GstPad* sink_pad = gst_element_get_static_pad(GST_ELEMENT(convert), "sink");
    if (!gst_pad_is_linked(sink_pad)) {
        GstCaps* caps = gst_pad_get_current_caps(pad);
        if (!caps) caps = gst_pad_query_caps(pad, nullptr);
        const GstStructure* structure = gst_caps_get_structure(caps, 0);
        if (structure && g_str_has_prefix(gst_structure_get_name(structure), "video/")) {
            gst_pad_link(pad, sink_pad);
        }
        gst_caps_unref(caps);
    }
    gst_object_unref(sink_pad);
}

bool GstVideoPipeline::start(std::chrono::milliseconds limit, QString* error) {
    if (!pipeline_) {
        if (error) *error = QStringLiteral("GStreamer lacks an element this source needs");
        return false;
    }
    return gst_runtime::change_state(pipeline_, GST_STATE_PLAYING, limit, error);
}

void GstVideoPipeline::stop() {
    if (pipeline_) gst_element_set_state(pipeline_, GST_STATE_NULL);
}

bool GstVideoPipeline::rewind() {
    if (!pipeline_) return false;
    return gst_element_seek_simple(
        pipeline_, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
}

std::optional<QImage> GstVideoPipeline::frame_of(GstSample* sample) {
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return {};
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return {};

    const int width = qMin(GST_VIDEO_FRAME_WIDTH(&frame), Camera::frame_width);
    const int height = qMin(GST_VIDEO_FRAME_HEIGHT(&frame), Camera::frame_height);
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const auto* pixels = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    QImage image(Camera::frame_width, Camera::frame_height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::memcpy(row, pixels + qsizetype(y) * stride, size_t(width) * 4);
        // The padding byte is undefined in the source; RGB32 wants it opaque.
        for (int x = 0; x < width; ++x) row[x] |= 0xff000000u;
    }
    gst_video_frame_unmap(&frame);
    return image;
}

qint64 GstVideoPipeline::clip_ms_of(GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer)) return -1;
    GstClockTime at = GST_BUFFER_PTS(buffer);
    if (segment) {
        const guint64 stream_time = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, at);
        if (stream_time != GST_CLOCK_TIME_NONE) at = stream_time;
    }
    return qint64(at / GST_MSECOND);
}
