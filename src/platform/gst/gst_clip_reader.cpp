#include "platform/gst/gst_clip_reader.h"

#include "platform/gst/gst_ptr.h"
#include "platform/gst/gst_runtime.h"
#include "platform/gst/gst_video_pipeline.h"

namespace {
constexpr std::chrono::milliseconds start_limit{10000};
// How long a pull waits before the bus is looked at for a failure that ends the stream.
constexpr GstClockTime pull_slice = 200 * GST_MSECOND;
}  // namespace

GstClipReader::GstClipReader(const QString& clip) : clip_(clip) {}

GstClipReader::~GstClipReader() = default;

bool GstClipReader::open() {
    error_.clear();
    const VideoSource source = VideoSource::from_text(clip_);
    if (source.kind() != VideoSource::Kind::file && source.kind() != VideoSource::Kind::uri) {
        error_ = QStringLiteral("Not a recording: ") + clip_;
        return false;
    }
    if (source.is_missing_file()) {
        error_ = QStringLiteral("No such file: ") + clip_;
        return false;
    }
    pipeline_ = std::make_unique<GstVideoPipeline>(source, GstVideoPipeline::Pace::every_frame);
    if (!pipeline_->start(start_limit, &error_)) {
        pipeline_.reset();
        return false;
    }
    return true;
}

// An error stops the stream without an end-of-stream, so a pull alone could wait for ever.
std::optional<ClipFrame> GstClipReader::next() {
    if (!pipeline_) return std::nullopt;
    GstAppSink* sink = pipeline_->sink();
    while (true) {
        if (const GstSamplePtr sample{gst_app_sink_try_pull_sample(sink, pull_slice)}) {
            std::optional<QImage> image = GstVideoPipeline::frame_of(sample.get());
            if (image)
                return ClipFrame{std::move(*image), GstVideoPipeline::clip_ms_of(sample.get())};
            continue;
        }
        if (gst_app_sink_is_eos(sink)) break;
        const GstBusPtr bus(gst_element_get_bus(pipeline_->pipeline()));
        if (const GstMessagePtr failure{gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR)}) {
            error_ = gst_runtime::message_text(failure.get());
            break;
        }
    }
    pipeline_.reset();
    return std::nullopt;
}
