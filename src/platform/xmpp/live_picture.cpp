#include "platform/xmpp/live_picture.h"

#include "log/categories.h"
#include "seams/camera.h"

namespace {
constexpr int poll_ms = 50;
}

LivePicture::LivePicture(Camera* camera, std::function<QImage()> fallback)
    : camera_(camera), fallback_(std::move(fallback)) {
    poll_.setInterval(poll_ms);
    QObject::connect(&poll_, &QTimer::timeout, [this] { poll(); });
}

void LivePicture::take(Done done) {
    waiting_.push_back(std::move(done));
    if (poll_.isActive()) return;  // one look at the room serves everyone asking meanwhile
    if (!camera_ || !camera_->open()) {
        qCWarning(xmpp_log) << "the camera could not be opened for the live picture";
        finish(fallback_ ? fallback_() : QImage());
        return;
    }
    since_open_.start();
    poll_.start();
}

void LivePicture::poll() {
    std::optional<QImage> frame = camera_->grab();
    const bool settled = since_open_.elapsed() >= settle_ms;
    if ((frame && settled) || since_open_.elapsed() >= give_up_ms) {
        poll_.stop();
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
