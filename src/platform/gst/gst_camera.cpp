#include "platform/gst/gst_camera.h"

#include "log/categories.h"
#include "platform/gst/camera_listing.h"
#include "platform/gst/camera_modes.h"
#include "platform/gst/gst_bus_relay.h"
#include "platform/gst/gst_ptr.h"
#include "platform/gst/gst_runtime.h"
#include "platform/gst/gst_video_pipeline.h"
#include "platform/v4l2/v4l2_controls.h"

namespace {
// A device or a file answers at once; a network stream may need a moment to connect.
constexpr std::chrono::milliseconds start_limit{5000};
constexpr std::chrono::milliseconds stall_check{1000};
}  // namespace

GstCamera::GstCamera(const QString& source, std::chrono::milliseconds stall_limit)
    : source_(VideoSource::from_text(source)), stall_limit_(stall_limit) {
    stall_watch_.setInterval(std::min(stall_check, stall_limit));
    QObject::connect(&stall_watch_, &QTimer::timeout, &context_, [this] { watch_for_stall(); });
}

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
    std::optional<CameraMode> mode;
    const VideoSource source = source_to_open(mode);
    pipeline_ = std::make_unique<GstVideoPipeline>(source, GstVideoPipeline::Pace::live, mode);
    if (pipeline_->is_built()) {
        relay_ = std::make_unique<GstBusRelay>(
            pipeline_->pipeline(), GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE,
            [this](GstMessage* message) { handle(message); });
    }
    if (!pipeline_->start(start_limit, &open_error_)) {
        close();
        return false;
    }
    apply_controls();
    pictures_seen_ = 0;
    last_picture_ = std::chrono::steady_clock::now();
    stall_watch_.start();
    return true;
}

VideoSource GstCamera::source_to_open(std::optional<CameraMode>& mode) {
    if (!source_.is_device()) return source_;
    const QString path = device_path();
    if (path.isEmpty()) return source_;  // none listed: the device source says so itself
    mode = choice_.mode;
    if (!mode) mode = camera_modes::least_work(camera_listing::modes_of(path));
    return VideoSource::device_at(path);
}

QString GstCamera::device_path() {
    if (!choice_.path.isEmpty()) return choice_.path;
    if (source_.kind() == VideoSource::Kind::device) return source_.location();
    const std::vector<CameraInfo> listed = camera_listing::cameras();
    return listed.empty() ? QString() : listed.front().path;
}

std::optional<QImage> GstCamera::grab() {
    if (!pipeline_ || failed_) return std::nullopt;
    const GstSamplePtr sample(gst_app_sink_try_pull_sample(pipeline_->sink(), 0));
    if (!sample) return std::nullopt;
    return GstVideoPipeline::frame_of(sample.get());
}

void GstCamera::close() {
    stall_watch_.stop();
    if (pipeline_) pipeline_->stop();
    relay_.reset();  // after the stop: no streaming thread posts any more
    pipeline_.reset();
}

CameraDevice* GstCamera::device() {
    return source_.is_device() ? this : nullptr;
}

std::vector<CameraInfo> GstCamera::cameras() {
    return camera_listing::cameras();
}

// A choice saved for another device than the one named on the command line is not used.
void GstCamera::restore(const CameraChoice& choice) {
    if (source_.kind() == VideoSource::Kind::device && choice.path != source_.location()) return;
    choice_ = choice;
}

void GstCamera::choose(const QString& path, const std::optional<CameraMode>& mode) {
    if (path != device_path()) choice_.controls.clear();  // they belong to the other device
    choice_.path = path;
    choice_.mode = mode;
}

std::vector<CameraControl> GstCamera::controls() {
    return V4l2Controls(device_path()).list();
}

bool GstCamera::set_control(unsigned id, int value) {
    if (!V4l2Controls(device_path()).set(id, value)) return false;
    choice_.controls[id] = value;
    return true;
}

void GstCamera::apply_controls() {
    if (!source_.is_device() || choice_.controls.empty()) return;
    const V4l2Controls device(device_path());
    for (const auto& [id, value] : choice_.controls) device.set(id, value);
}

// A stream that stops sending without a word (a network camera that hangs, a cable pulled
// mid-stream) is a lost camera like one that reports an error.
void GstCamera::watch_for_stall() {
    if (!pipeline_ || failed_) return;
    const auto now = std::chrono::steady_clock::now();
    const quint64 pictures = pipeline_->pictures_in();
    if (pictures != pictures_seen_) {
        pictures_seen_ = pictures;
        last_picture_ = now;
    } else if (now - last_picture_ >= stall_limit_) {
        const std::chrono::duration<double> silent = now - last_picture_;
        fail(QStringLiteral("The camera has sent no picture for %1 seconds.")
                 .arg(QString::number(silent.count(), 'f', 1)));
    }
}

void GstCamera::handle(GstMessage* message) {
    if (!pipeline_ || failed_) return;
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            if (source_.is_recording() && pipeline_->rewind()) return;
            fail(QStringLiteral("The camera stream has ended (%1).").arg(source_.location()));
            break;
        case GST_MESSAGE_ERROR:
            fail(QStringLiteral("The camera has stopped: %1")
                     .arg(gst_runtime::message_text(message)));
            break;
        default:
            return;
    }
}

// The device is let go at once, so that it can be plugged in again or used elsewhere.
void GstCamera::fail(const QString& problem) {
    qCWarning(camera_log) << problem;
    report(problem);
    failed_ = true;
    stall_watch_.stop();
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
