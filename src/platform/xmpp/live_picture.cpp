#include "platform/xmpp/live_picture.h"

#include "camera/camera_owner.h"
#include "log/categories.h"
#include "seams/camera.h"
#include "time/scheduler.h"

namespace {
constexpr int poll_ms = 50;
}

LivePicture::LivePicture(Scheduler& scheduler, CameraOwner* camera,
                         std::function<QImage()> fallback)
    : scheduler_(scheduler),
      owner_(camera),
      fallback_(std::move(fallback)),
      poll_(scheduler, QStringLiteral("live picture"), poll_ms, [this] { poll(); }) {}

// Gone while looking: the camera goes back, so that detection can have it again.
LivePicture::~LivePicture() {
    if (camera_) owner_->give_back(CameraUser::live_picture);
}

void LivePicture::take(Done done) {
    waiting_.push_back(std::move(done));
    if (poll_.enabled()) return;  // one look at the room serves everyone asking meanwhile
    camera_ = owner_ ? owner_->take(CameraUser::live_picture) : nullptr;
    if (!camera_) {
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
        owner_->give_back(CameraUser::live_picture);
        camera_ = nullptr;
        if (!frame) qCWarning(xmpp_log) << "the camera gave no picture in time";
        finish(frame ? *frame : (fallback_ ? fallback_() : QImage()));
    }
}

void LivePicture::finish(const QImage& picture) {
    QString path;
    if (!picture.isNull()) {
        // Made only with a picture, so that a program killed without one leaves no empty
        // folder behind.
        if (!folder_) folder_.emplace();
        if (folder_->isValid())
            path = folder_->filePath(QStringLiteral("live-%1.jpg").arg(++taken_));
        if (!path.isEmpty() && !picture.save(path, "JPEG", 90)) path.clear();
    }
    auto waiting = std::move(waiting_);
    waiting_.clear();
    for (auto& done : waiting) done(path);
}
