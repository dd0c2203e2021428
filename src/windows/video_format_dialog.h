#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "seams/camera_device.h"

struct Seams;

// "Video Format": which capture device, and in which of its modes it delivers pictures. The
// first entry of the mode list, "Automatic", lets the program take the mode that costs least.
class VideoFormatDialog {
  public:
    // Where the choice is kept, and what opens the camera again with it (unless detection is on).
    VideoFormatDialog(Seams& seams, std::function<QString()> settings_path,
                      std::function<void()> reopen_camera)
        : seams_(seams),
          settings_path_(std::move(settings_path)),
          reopen_camera_(std::move(reopen_camera)) {}

    QString caption = QStringLiteral("Video Format");
    bool visible = false;
    QString note;

    std::vector<CameraInfo> devices;
    int device_index = -1;
    int mode_index = -1;  // into the chosen device's modes; -1: automatic

    // Lists the devices as they are now, with the present choice selected.
    void show();
    const std::vector<CameraMode>& modes() const;
    void choose_device(int index);
    void choose_mode(int index);
    // Keeps the choice and, unless detection is on, opens the camera with it at once.
    void OK_Click();
    void Cancel_Click() { visible = false; }

  private:
    Seams& seams_;
    std::function<QString()> settings_path_;
    std::function<void()> reopen_camera_;
    int shown_device_index_ = -1;
    int shown_mode_index_ = -1;
};
