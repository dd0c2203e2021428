#include "windows/video_format_dialog.h"

#include <algorithm>

#include "seams/camera.h"
#include "seams/seams.h"
#include "windows/camera_settings_file.h"

void VideoFormatDialog::show() {
    CameraDevice* device = seams_.camera.device();
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
    CameraDevice* device = seams_.camera.device();
    const bool changed = device_index != shown_device_index_ || mode_index != shown_mode_index_;
    if (!device || device_index < 0 || !changed) return;
    std::optional<CameraMode> mode;
    if (mode_index >= 0) mode = modes()[mode_index];
    device->choose(devices[device_index].path, mode);
    camera_settings_file::save(settings_path_(), device->choice());
    reopen_camera_();
}
