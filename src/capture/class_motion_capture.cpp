#include "app/camera_settings_file.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "app/version.h"
#include "capture/class_motion.h"
#include "platform/camera.h"
#include "platform/camera_device.h"
#include "platform/seams.h"
#include "platform/user_messages.h"
#include "windows/video_format_dialog.h"
#include "windows/video_settings_dialog.h"

ClassMotion::ClassMotion(frmTesting& form) : form_(form) {}

// The device, mode and controls the user chose last time, before the camera first opens.
void ClassMotion::restore_camera_choice() {
    if (camera_choice_restored_) return;
    camera_choice_restored_ = true;
    Program& program = form_.program();
    if (CameraDevice* device = program.seams().camera.device()) {
        device->restore(
            camera_settings_file::load(camera_settings_file::path_in(program.app_folder())));
    }
}

void ClassMotion::Vision_VFWstart(Picture& /*canvas*/) {
    restore_camera_choice();
    Seams& seams = form_.program().seams();
    // Every start makes a new capture window; the earlier one is left disconnected.
    if (connected_) seams.camera.close();
    connected_ = seams.camera.open();
    capture_window = connected_ ? ++windows_made_ : 0;
    if (capture_window == 0) {
        seams.messages.message_box(app::title, QStringLiteral("Can't open capture window"));
    }
    form_.timMotion.set_enabled(true);
}

void ClassMotion::grab_into(Picture& target) {
    if (connected_) {
        if (std::optional<QImage> frame = form_.program().seams().camera.grab()) {
            last_frame_ = std::move(frame);
        }
    }
    if (last_frame_) target.set_picture(*last_frame_);
}

void ClassMotion::Vision_VFWgrab(Picture& destination) { grab_into(destination); }

void ClassMotion::CamToBMP(Picture& picturex) { grab_into(picturex); }

namespace {
// A file, a stream or the demo scene has no device behind it to set up.
bool say_when_no_device(Program& program, const QString& what) {
    if (program.seams().camera.device()) return false;
    program.seams().messages.message_box(
        app::title, QStringLiteral("This picture source is not a camera: it has no %1.").arg(what));
    return true;
}
}  // namespace

void ClassMotion::Video_Setup() {
    Program& program = form_.program();
    if (!say_when_no_device(program, QStringLiteral("video settings")))
        program.video_settings().show();
}

void ClassMotion::Video_format() {
    Program& program = form_.program();
    if (!say_when_no_device(program, QStringLiteral("video format"))) program.video_format().show();
}

void ClassMotion::reopen_camera() {
    const bool lent_to_call = !connected_ && capture_window != 0;
    if (!lent_to_call) Vision_VFWstart(form_.picCurrentImage);
}

void ClassMotion::shut_down() {
    if (!connected_) return;
    form_.program().seams().camera.close();
    connected_ = false;
}
