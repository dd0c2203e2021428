#include "windows/video_format_dialog.h"

#include <algorithm>

#include "app/camera_settings_file.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "capture/class_motion.h"
#include "platform/camera.h"

void VideoFormatDialog::show() {
    CameraDevice* device = program_.seams().camera.device();
    if (!device) return;
    devices = device->cameras();
    const CameraChoice choice = device->choice();
    QString path = choice.path;
    if (path.isEmpty() && !devices.empty()) path = devices.front().path;
    auto listed = std::find_if(devices.begin(), devices.end(),
                               [&](const CameraInfo& c) { return c.path == path; });
    // A device named by hand that the system does not list is still offered, in automatic mode.
    if (listed == devices.end() && !path.isEmpty()) {
        devices.push_back({path, path, {}});
        listed = devices.end() - 1;
    }
    device_index = listed == devices.end() ? -1 : int(listed - devices.begin());
    mode_index = -1;
    if (choice.mode) {
        const std::vector<CameraMode>& offered = modes();
        const auto at = std::find(offered.begin(), offered.end(), *choice.mode);
        if (at != offered.end()) mode_index = int(at - offered.begin());
    }
    note = devices.empty()
               ? QStringLiteral("No camera found: plug one in and open this again.")
               : QStringLiteral("The program works on a 320 x 240 picture in any mode.");
    shown_device_index_ = device_index;
    shown_mode_index_ = mode_index;
    visible = true;
}

const std::vector<CameraMode>& VideoFormatDialog::modes() const {
    static const std::vector<CameraMode> none;
    if (device_index < 0 || device_index >= int(devices.size())) return none;
    return devices[device_index].modes;
}

void VideoFormatDialog::choose_device(int index) {
    if (index == device_index || index < 0 || index >= int(devices.size())) return;
    device_index = index;
    mode_index = -1;
}

void VideoFormatDialog::choose_mode(int index) {
    mode_index = index >= 0 && index < int(modes().size()) ? index : -1;
}

void VideoFormatDialog::OK_Click() {
    visible = false;
    CameraDevice* device = program_.seams().camera.device();
    const bool changed = device_index != shown_device_index_ || mode_index != shown_mode_index_;
    if (!device || device_index < 0 || !changed) return;
    std::optional<CameraMode> mode;
    if (mode_index >= 0) mode = modes()[mode_index];
    device->choose(devices[device_index].path, mode);
    camera_settings_file::save(camera_settings_file::path_in(program_.app_folder()),
                               device->choice());
    // Detection switched on from afar meanwhile keeps its camera; the choice waits for the next
    // opening.
    frmTesting& main_window = program_.main_window();
    if (main_window.mnuFormat.enabled) main_window.motion().reopen_camera();
}
