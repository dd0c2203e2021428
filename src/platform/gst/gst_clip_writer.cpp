#include "platform/gst/gst_clip_writer.h"

#include <gst/app/gstappsrc.h>

#include <cstring>

#include "platform/gst/gst_runtime.h"

GstClipWriter::GstClipWriter(const QString& path, int width, int height, int frames_per_second)
    : width_(width), height_(height), frames_per_second_(frames_per_second) {
    gst_runtime::ensure_initialised();
    GErrorPtr error;
    GstElementPtr pipeline(gst_parse_launch(
        "appsrc name=pictures format=time ! videoconvert ! jpegenc ! avimux ! filesink name=file",
        out(error)));
    if (!pipeline) return;
    GstElementPtr source(gst_bin_get_by_name(GST_BIN(pipeline.get()), "pictures"));
    const GstElementPtr file(gst_bin_get_by_name(GST_BIN(pipeline.get()), "file"));
    const GstCapsPtr caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                              gst_runtime::rgb32_format(), "width", G_TYPE_INT,
                                              width, "height", G_TYPE_INT, height, "framerate",
                                              GST_TYPE_FRACTION, frames_per_second, 1, nullptr));
    g_object_set(source.get(), "caps", caps.get(), "block", TRUE, nullptr);
    g_object_set(file.get(), "location", path.toLocal8Bit().constData(), nullptr);
    // Nothing can preroll before the first picture, so only a failure at once (the file cannot be
    // made) is waited for.
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        return;
    }
    pipeline_ = std::move(pipeline);
    source_ = std::move(source);
}

GstClipWriter::~GstClipWriter() {
    close();
}

void GstClipWriter::close() {
    if (!pipeline_) return;
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    source_.reset();
    pipeline_.reset();
}

bool GstClipWriter::add(const QImage& picture) {
    if (!pipeline_) return false;
    const QImage frame =
        picture.convertToFormat(QImage::Format_RGB32)
            .scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const gsize row = gsize(width_) * 4;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, row * gsize(height_), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    for (int y = 0; y < height_; ++y)
        std::memcpy(map.data + row * gsize(y), frame.constScanLine(y), row);
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) =
        gst_util_uint64_scale(frames_, GST_SECOND, guint64(frames_per_second_));
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(1, GST_SECOND, guint64(frames_per_second_));
    ++frames_;
    return gst_app_src_push_buffer(GST_APP_SRC(source_.get()), buffer) == GST_FLOW_OK;
}

bool GstClipWriter::finish() {
    if (!pipeline_) return false;
    gst_app_src_end_of_stream(GST_APP_SRC(source_.get()));
    const GstBusPtr bus(gst_element_get_bus(pipeline_.get()));
    const GstMessagePtr end(gst_bus_timed_pop_filtered(
        bus.get(), GST_CLOCK_TIME_NONE,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    const bool whole = end && GST_MESSAGE_TYPE(end.get()) == GST_MESSAGE_EOS;
    close();
    return whole;
}
