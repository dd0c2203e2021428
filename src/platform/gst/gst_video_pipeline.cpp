#include "platform/gst/gst_video_pipeline.h"

#include <gst/video/video.h>

#include <cstring>
#include <memory>

#include "platform/gst/camera_head.h"
#include "platform/gst/gst_runtime.h"
#include "platform/gst/low_latency.h"
#include "seams/camera.h"

namespace {
GstCapsPtr frame_caps() {
    return GstCapsPtr(gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, gst_runtime::opaque_rgb32_format(), "width",
        G_TYPE_INT, Camera::frame_width, "height", G_TYPE_INT, Camera::frame_height, nullptr));
}

GstElement* make(const char* factory) {
    return gst_element_factory_make(factory, nullptr);
}
}  // namespace

GstVideoPipeline::GstVideoPipeline(const VideoSource& source, Pace pace,
                                   const std::optional<CameraMode>& mode) {
    gst_runtime::ensure_initialised();
    low_latency::prefer_hardware_decoders();
    if (!build(source, pace, mode)) {
        pipeline_.reset();
        sink_ = nullptr;
    }
}

GstVideoPipeline::~GstVideoPipeline() {
    if (pipeline_) gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

bool GstVideoPipeline::build(const VideoSource& source, Pace pace,
                             const std::optional<CameraMode>& mode) {
    pipeline_ = sunk(gst_pipeline_new(nullptr));
    if (pace == Pace::live) low_latency::tune_elements_of(pipeline_.get());
    GstElement* head = source.make_element();
    if (head) gst_bin_add(GST_BIN(pipeline_.get()), head);
    GstElement* tail = add_tail(pace);
    if (!head || !tail) return false;
    count_pictures_into(tail);
    if (source.has_dynamic_pads()) {
        camera_head::link_first_video_pad(head, tail);
        return true;
    }
    return camera_head::link(GST_BIN(pipeline_.get()), head, mode, tail);
}

// From whatever the source gives to the engine's frames: scaled first, in the source's own
// format (the scaler takes every format the converter takes), so that only the small picture is
// converted. Returns the tail's first element, or null.
GstElement* GstVideoPipeline::add_tail(Pace pace) {
    GstElement* scale = make("videoscale");
    GstElement* convert = make("videoconvert");
    GstElement* filter = make("capsfilter");
    GstElement* sink = make("appsink");
    for (GstElement* element : {scale, convert, filter, sink}) {
        if (element) gst_bin_add(GST_BIN(pipeline_.get()), element);
    }
    if (!scale || !convert || !filter || !sink) return nullptr;

    // Every pixel opaque, whatever the source: the frames are used as RGB32 without a pass of
    // their own to set the alpha byte.
    gst_util_set_object_arg(G_OBJECT(convert), "alpha-mode", "set");
    g_object_set(filter, "caps", frame_caps().get(), nullptr);
    sink_ = GST_APP_SINK(sink);
    const bool live = pace == Pace::live;
    // A camera's end is known at once, whether or not its last frame was taken.
    // The sink keeps no frame of its own beyond its queue: the program holds what it still needs.
    g_object_set(sink, "sync", live, "drop", live, "max-buffers", live ? 1u : 8u, "wait-on-eos",
                 !live, "enable-last-sample", FALSE, nullptr);
    if (!gst_element_link_many(scale, convert, filter, sink, nullptr)) return nullptr;
    return scale;
}

// Every decoded picture passes the tail's first element: counting them there tells a stalled
// stream from a quiet one.
void GstVideoPipeline::count_pictures_into(GstElement* first) {
    const GstPadPtr pad(gst_element_get_static_pad(first, "sink"));
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer counter) {
            static_cast<std::atomic<quint64>*>(counter)->fetch_add(1, std::memory_order_relaxed);
            return GST_PAD_PROBE_OK;
        },
        &pictures_in_, nullptr);
}

bool GstVideoPipeline::start(std::chrono::milliseconds limit, QString* error) {
    if (!pipeline_) {
        if (error) *error = QStringLiteral("GStreamer lacks an element this source needs");
        return false;
    }
    return gst_runtime::change_state(pipeline_.get(), GST_STATE_PLAYING, limit, error);
}

void GstVideoPipeline::stop() {
    if (pipeline_) gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

bool GstVideoPipeline::rewind() {
    if (!pipeline_) return false;
    return gst_element_seek_simple(
        pipeline_.get(), GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
}

namespace {
void unmap_frame(void* frame) {
    auto* mapped = static_cast<GstVideoFrame*>(frame);
    gst_video_frame_unmap(mapped);
    delete mapped;
}

// The layout of every frame the sink lets through, worked out once rather than from each
// sample's caps.
const GstVideoInfo& frame_layout() {
    static const GstVideoInfo layout = [] {
        GstVideoInfo info;
        gst_video_info_set_format(&info,
                                  gst_video_format_from_string(gst_runtime::opaque_rgb32_format()),
                                  Camera::frame_width, Camera::frame_height);
        return info;
    }();
    return layout;
}
}  // namespace

// The image reads the buffer where the pipeline left it, keeping it mapped for as long as the
// image or a copy of it lives. The image is read-only: whoever draws on it draws on a copy.
std::optional<QImage> GstVideoPipeline::frame_of(GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!buffer) return {};
    GstVideoInfo layout = frame_layout();
    auto frame = std::make_unique_for_overwrite<GstVideoFrame>();
    if (!gst_video_frame_map(frame.get(), &layout, buffer, GST_MAP_READ)) return {};
    const auto* pixels = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(frame.get(), 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame.get(), 0);
    // From here the image owns the mapping: unmap_frame lets it go with the image's last copy.
    return QImage(pixels, Camera::frame_width, Camera::frame_height, stride, QImage::Format_RGB32,
                  &unmap_frame, frame.release());
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
