#include <algorithm>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "camera/camera_owner.h"
#include "log/categories.h"
#include "seams/camera.h"
#include "seams/camera_device.h"
#include "seams/seams.h"
#include "seams/user_messages.h"
#include "time/scheduler.h"
#include "windows/camera_settings_file.h"
#include "windows/version.h"
#include "windows/video_format_dialog.h"
#include "windows/video_settings_dialog.h"

ClassMotion::ClassMotion(frmTesting& form, Program& program, Seams& seams, CameraOwner& camera)
    : form_(form), program_(program), seams_(seams), camera_(camera) {
    // Only detection keeps the camera open for long, so only detection watches for its loss.
    camera_.camera().on_lost = [this](const QString& problem) { camera_went(problem); };
}

ClassMotion::~ClassMotion() {
    lifetime_.end();
    camera_.camera().on_lost = nullptr;
}

bool ClassMotion::connected() const {
    return camera_.held_by(CameraUser::detection);
}

// The device, mode and controls the user chose last time, before the camera first opens.
void ClassMotion::restore_camera_choice() {
    if (camera_choice_restored_) return;
    camera_choice_restored_ = true;
    if (CameraDevice* device = camera_.camera().device()) {
        device->restore(
            camera_settings_file::load(camera_settings_file::path_in(program_.app_folder())));
    }
}

void ClassMotion::Vision_VFWstart(Picture& /*canvas*/) {
    restore_camera_choice();
    // Every start makes a new capture window; the earlier one is left disconnected.
    camera_.give_back(CameraUser::detection);
    const bool opened = camera_.take(CameraUser::detection) != nullptr;
    wanted_ = true;
    ++reopen_round_;
    reopen_delay_ms_ = 0;
    capture_window = opened ? ++windows_made_ : 0;
    if (capture_window == 0) {
        qCWarning(camera_log) << "the camera did not open";
        seams_.messages.message_box(app::title, program_.camera_problem_text());
        schedule_reopen();
    }
    form_.timMotion.set_enabled(true);
}

// The camera stopped while watching: let it go and keep trying until it is back, so an
// unplugged webcam or a restarted stream is watched again without anyone at the machine.
void ClassMotion::camera_went(const QString& problem) {
    qCWarning(camera_log) << "camera lost:" << problem;
    if (!connected() || !wanted_) return;
    camera_.give_back(CameraUser::detection);
    reopen_delay_ms_ = 0;
    schedule_reopen();
}

void ClassMotion::schedule_reopen() {
    reopen_delay_ms_ = reopen_delay_ms_ == 0
                           ? first_reopen_delay_ms
                           : std::min(2 * reopen_delay_ms_, longest_reopen_delay_ms);
    const quint64 round = reopen_round_;
    reopen_due_ms_ = seams_.scheduler.now_ms() + reopen_delay_ms_;
    seams_.scheduler.post_after(reopen_delay_ms_, lifetime_.guard([this, round] {
        if (round == reopen_round_ && camera_lost()) try_reopen();
    }));
}

void ClassMotion::try_reopen() {
    qCInfo(camera_log) << "opening the camera again";
    if (!camera_.take(CameraUser::detection)) {
        qCWarning(camera_log) << "the camera is still not available; next try in"
                              << std::min(2 * reopen_delay_ms_, longest_reopen_delay_ms) / 1000
                              << "s";
        schedule_reopen();
        return;
    }
    capture_window = ++windows_made_;
    reopen_delay_ms_ = 0;
    qCInfo(camera_log) << "the camera is back";
}

void ClassMotion::grab_into(Picture& target) {
    if (connected()) {
        if (std::optional<QImage> frame = camera_.camera().grab()) {
            last_frame_ = std::move(frame);
        }
    }
    if (last_frame_) target.set_picture(*last_frame_);
}

void ClassMotion::Vision_VFWgrab(Picture& destination) {
    grab_into(destination);
}

void ClassMotion::CamToBMP(Picture& picturex) {
    grab_into(picturex);
}

namespace {
// A file, a stream or the demo scene has no device behind it to set up.
bool say_when_no_device(CameraOwner& camera, UserMessages& messages, const QString& what) {
    if (camera.camera().device()) return false;
    messages.message_box(
        app::title, QStringLiteral("This picture source is not a camera: it has no %1.").arg(what));
    return true;
}
}  // namespace

void ClassMotion::Video_Setup() {
    if (!say_when_no_device(camera_, seams_.messages, QStringLiteral("video settings")))
        program_.video_settings().show();
}

void ClassMotion::Video_format() {
    if (!say_when_no_device(camera_, seams_.messages, QStringLiteral("video format")))
        program_.video_format().show();
}

void ClassMotion::reopen_camera() {
    const bool lent_to_call = !wanted_ && capture_window != 0;
    if (!lent_to_call) Vision_VFWstart(form_.picCurrentImage);
}

// The camera is lent to a call: it is not lost, and not tried again until the call gives it back.
void ClassMotion::shut_down() {
    wanted_ = false;
    ++reopen_round_;
    camera_.give_back(CameraUser::detection);
}
