#include "platform/gst/gst_camera.h"

#include "platform/gst/gst_bus_relay.h"
#include "platform/gst/gst_runtime.h"
#include "platform/gst/gst_video_pipeline.h"

namespace {
// A device or a file answers at once; a network stream may need a moment to connect.
constexpr std::chrono::milliseconds start_limit{5000};
}  // namespace

GstCamera::GstCamera(const QString& source) : source_(VideoSource::from_text(source)) {}

GstCamera::~GstCamera() {
    close();
}

bool GstCamera::open() {
    close();
    open_error_.clear();
    failed_ = false;
    if (source_.is_missing_file()) {
        open_error_ = QStringLiteral("No such file: ") + source_.location();
        return false;
    }
    pipeline_ = std::make_unique<GstVideoPipeline>(source_, GstVideoPipeline::Pace::live);
    if (pipeline_->is_built()) {
        relay_ = std::make_unique<GstBusRelay>(
            pipeline_->pipeline(), GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE,
            [this](GstMessage* message) { handle(message); });
    }
    if (!pipeline_->start(start_limit, &open_error_)) {
        close();
        return false;
    }
    return true;
}

std::optional<QImage> GstCamera::grab() {
    if (!pipeline_ || failed_) return std::nullopt;
    GstSample* sample = gst_app_sink_try_pull_sample(pipeline_->sink(), 0);
    if (!sample) return std::nullopt;
    std::optional<QImage> frame = GstVideoPipeline::frame_of(sample);
    gst_sample_unref(sample);
    return frame;
}

void GstCamera::close() {
    if (pipeline_) pipeline_->stop();
    relay_.reset();  // after the stop: no streaming thread posts any more
    pipeline_.reset();
}

void GstCamera::handle(GstMessage* message) {
    if (!pipeline_ || failed_) return;
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            if (source_.is_recording() && pipeline_->rewind()) return;
            report(QStringLiteral("The camera stream has ended (%1).").arg(source_.location()));
            break;
        case GST_MESSAGE_ERROR:
            report(QStringLiteral("The camera has stopped: %1")
                       .arg(gst_runtime::message_text(message)));
            break;
        default:
            return;
    }
    // The device is let go at once, so that it can be plugged in again or used elsewhere.
    failed_ = true;
    pipeline_->stop();
}

// Told after the message has been dealt with, so whoever listens may close or reopen the camera.
void GstCamera::report(const QString& problem) {
    QMetaObject::invokeMethod(
        &context_,
        [this, problem] {
            if (on_problem) on_problem(problem);
            if (on_lost) on_lost(problem);
        },
        Qt::QueuedConnection);
}
