#include "platform/call/call_camera.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include "log/categories.h"
#include "platform/gst/camera_head.h"
#include "platform/gst/gst_bus_relay.h"
#include "platform/gst/gst_runtime.h"

namespace {
constexpr std::chrono::milliseconds open_limit{5000};

GstElement* add(GstBin* bin, const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element) gst_bin_add(bin, element);
    return element;
}

// At most the call's size, in the proportions the source has.
GstCapsPtr picture_caps(const char* format) {
    GstCapsPtr caps(gst_caps_new_simple("video/x-raw", "width", GST_TYPE_INT_RANGE, 16,
                                        CallCamera::max_width, "height", GST_TYPE_INT_RANGE, 16,
                                        CallCamera::max_height, nullptr));
    if (format) gst_caps_set_simple(caps.get(), "format", G_TYPE_STRING, format, nullptr);
    return caps;
}

void free_frame(void* frame) {
    auto* mapped = static_cast<GstVideoFrame*>(frame);
    gst_video_frame_unmap(mapped);
    delete mapped;
}
}  // namespace

CallCamera::CallCamera(VideoSource source) : source_(std::move(source)) {
    gst_runtime::ensure_initialised();
}

CallCamera::~CallCamera() {
    close();
}

bool CallCamera::open() {
    close();
    if (source_.is_missing_file() || !build()) {
        qCWarning(call_log) << "The call's camera cannot be built for" << source_.location();
        pipeline_.reset();
        return false;
    }
    relay_ = std::make_unique<GstBusRelay>(
        pipeline_.get(), GST_MESSAGE_EOS | GST_MESSAGE_ERROR, [this](GstMessage* message) {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
                gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME,
                                        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                                        0);
            } else {
                // The pictures stop: the call goes on with the last one.
                qCWarning(call_log)
                    << "The call's camera failed:" << gst_runtime::message_text(message);
            }
        });
    QString error;
    if (!gst_runtime::change_state(pipeline_.get(), GST_STATE_PLAYING, open_limit, &error)) {
        qCWarning(call_log) << "The call's camera cannot be opened:" << error;
        close();
        return false;
    }
    return true;
}

void CallCamera::close() {
    if (pipeline_) gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    relay_.reset();
    pipeline_.reset();
    sink_ = nullptr;
}

bool CallCamera::build() {
    pipeline_ = sunk(gst_pipeline_new("call-camera"));
    GstBin* bin = GST_BIN(pipeline_.get());
    GstElement* head = source_.make_element();
    if (head) gst_bin_add(bin, head);
    GstElement* tail = add_tail();
    if (!head || !tail) return false;
    if (source_.has_dynamic_pads()) {
        camera_head::link_first_video_pad(head, tail);
        return true;
    }
    // A device is asked for a mode no larger than the call sends, raw or MJPEG, so that it
    // neither sends more than is shown nor costs a large decode.
    GstElement* filter = add(bin, "capsfilter");
    GstElement* decoder = add(bin, "decodebin");
    if (!filter || !decoder) return false;
    GstCapsPtr caps = picture_caps(nullptr);
    GstCapsPtr jpeg = picture_caps(nullptr);
    gst_structure_set_name(gst_caps_get_structure(jpeg.get(), 0), "image/jpeg");
    gst_caps_append(caps.get(), jpeg.release());
    g_object_set(filter, "caps", caps.get(), nullptr);
    if (!gst_element_link_many(head, filter, decoder, nullptr)) return false;
    camera_head::link_first_video_pad(decoder, tail);
    return true;
}

// Scaled down (never up) to fit the call's size, then into the program's picture format.
GstElement* CallCamera::add_tail() {
    GstBin* bin = GST_BIN(pipeline_.get());
    GstElement* scale = add(bin, "videoscale");
    GstElement* convert = add(bin, "videoconvert");
    GstElement* filter = add(bin, "capsfilter");
    GstElement* sink = add(bin, "appsink");
    if (!scale || !convert || !filter || !sink) return nullptr;
    GstCapsPtr caps = picture_caps(gst_runtime::rgb32_format());
    gst_caps_set_simple(caps.get(), "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(filter, "caps", caps.get(), nullptr);
    g_object_set(sink, "sync", TRUE, "drop", TRUE, "max-buffers", 1u, "enable-last-sample", FALSE,
                 nullptr);
    if (!gst_element_link_many(scale, convert, filter, sink, nullptr)) return nullptr;
    sink_ = sink;
    return scale;
}

std::optional<QImage> CallCamera::newest() {
    if (!sink_) return std::nullopt;
    const GstSamplePtr sample(gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), 0));
    if (!sample) return std::nullopt;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get())))
        return std::nullopt;
    auto frame = std::make_unique<GstVideoFrame>();
    if (!gst_video_frame_map(frame.get(), &info, buffer, GST_MAP_READ)) return std::nullopt;
    const auto* pixels = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(frame.get(), 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame.get(), 0);
    const int width = GST_VIDEO_FRAME_WIDTH(frame.get());
    const int height = GST_VIDEO_FRAME_HEIGHT(frame.get());
    // The image reads the buffer in place and lets it go with its last copy.
    return QImage(pixels, width, height, stride, QImage::Format_RGB32, &free_frame,
                  frame.release());
}
