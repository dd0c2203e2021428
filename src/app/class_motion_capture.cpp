#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "log/categories.h"
#include "seams/camera.h"
#include "seams/seams.h"
#include "seams/user_messages.h"
#include "windows/version.h"

ClassMotion::ClassMotion(frmTesting& form) : form_(form) {}

bool ClassMotion::Vision_VFWstart(Picture& /*canvas*/) {
    Seams& seams = form_.program().seams();
    // Every start makes a new capture window; the earlier one is left disconnected.
    if (connected_) seams.camera.close();
    connected_ = seams.camera.open();
    capture_window = connected_ ? ++windows_made_ : 0;
    if (capture_window == 0) {
        qCWarning(camera_log) << "the camera did not open";
        seams.messages.message_box(app::title, QStringLiteral("Can't open capture window"));
    }
    form_.timMotion.set_enabled(true);
    return connected_;
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

void ClassMotion::Video_Setup() {
    if (connected_) form_.program().seams().camera.show_source_dialog();
}

void ClassMotion::Video_format() {
    if (connected_) form_.program().seams().camera.show_format_dialog();
}

void ClassMotion::shut_down() {
    if (!connected_) return;
    form_.program().seams().camera.close();
    connected_ = false;
}
