#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "platform/camera_device.h"

class Program;

// "Video Format": which capture device, and in which of its modes it delivers pictures. The
// first entry of the mode list, "Automatic", lets the program take the mode that costs least.
class VideoFormatDialog {
  public:
    explicit VideoFormatDialog(Program& program) : program_(program) {}

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
    Program& program_;
    int shown_device_index_ = -1;
    int shown_mode_index_ = -1;
};
