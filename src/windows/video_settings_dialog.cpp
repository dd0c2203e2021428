#include "windows/video_settings_dialog.h"

#include "seams/camera.h"
#include "seams/seams.h"
#include "windows/camera_settings_file.h"

void VideoSettingsDialog::show() {
    if (!seams_.camera.device()) return;
    read_controls();
    visible = true;
}

// Read back after every change: one control may rule another (automatic exposure makes the
// exposure time inactive), and the driver may round a value to its step.
void VideoSettingsDialog::read_controls() {
    controls = seams_.camera.device()->controls();
    empty_note = controls.empty() ? QStringLiteral(
                                        "This camera has no settings of its own that "
                                        "can be changed, or it cannot be reached now.")
                                  : QString();
}

void VideoSettingsDialog::set_value(unsigned id, int value) {
    CameraDevice* device = seams_.camera.device();
    if (!device) return;
    device->set_control(id, value);
    read_controls();
}

void VideoSettingsDialog::Defaults_Click() {
    CameraDevice* device = seams_.camera.device();
    if (!device) return;
    // While an automatic mode is on, the values it rules refuse to change: the values go back
    // first, then the automatic switches, then the values these had been ruling.
    for (const bool switches : {false, true, false}) {
        for (const CameraControl& control : controls) {
            const bool is_switch = control.kind != CameraControl::Kind::integer;
            if (is_switch == switches && control.value != control.default_value)
                device->set_control(control.id, control.default_value);
        }
        read_controls();
    }
}

void VideoSettingsDialog::Close_Click() {
    visible = false;
    if (CameraDevice* device = seams_.camera.device())
        camera_settings_file::save(settings_path_(), device->choice());
}
