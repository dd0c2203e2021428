#include "platform/xmpp/live_picture.h"

#include "log/categories.h"
#include "seams/camera.h"
#include "time/scheduler.h"

namespace {
constexpr int poll_ms = 50;
}

LivePicture::LivePicture(Scheduler& scheduler, Camera* camera, std::function<QImage()> fallback)
    : scheduler_(scheduler),
      camera_(camera),
      fallback_(std::move(fallback)),
      poll_(scheduler, QStringLiteral("live picture"), poll_ms, [this] { poll(); }) {}

void LivePicture::take(Done done) {
    waiting_.push_back(std::move(done));
    if (poll_.enabled()) return;  // one look at the room serves everyone asking meanwhile
    if (!camera_ || !camera_->open()) {
        qCWarning(xmpp_log) << "the camera could not be opened for the live picture";
        finish(fallback_ ? fallback_() : QImage());
        return;
    }
    opened_ms_ = scheduler_.now_ms();
    poll_.set_enabled(true);
}

void LivePicture::poll() {
    std::optional<QImage> frame = camera_->grab();
    const qint64 open_for = scheduler_.now_ms() - opened_ms_;
    if ((frame && open_for >= settle_ms) || open_for >= give_up_ms) {
        poll_.set_enabled(false);
        camera_->close();
        if (!frame) qCWarning(xmpp_log) << "the camera gave no picture in time";
        finish(frame ? *frame : (fallback_ ? fallback_() : QImage()));
    }
}

void LivePicture::finish(const QImage& picture) {
    QString path;
    if (!picture.isNull() && folder_.isValid()) {
        path = folder_.filePath(QStringLiteral("live-%1.jpg").arg(++taken_));
        if (!picture.save(path, "JPEG", 90)) path.clear();
    }
    auto waiting = std::move(waiting_);
    waiting_.clear();
    for (auto& done : waiting) done(path);
}
