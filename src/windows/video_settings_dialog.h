#pragma once

#include <QString>
#include <vector>

#include "platform/camera_device.h"

class Program;

// "Video Settings": the capture device's own controls as its driver lists them. A change
// reaches the device at once; the values are kept when the dialog closes.
class VideoSettingsDialog {
  public:
    explicit VideoSettingsDialog(Program& program) : program_(program) {}

    QString caption = QStringLiteral("Video Settings");
    bool visible = false;
    std::vector<CameraControl> controls;
    // Shown instead of the controls when the device lists none.
    QString empty_note;

    void show();
    void set_value(unsigned id, int value);
    void Defaults_Click();
    void Close_Click();

  private:
    void read_controls();

    Program& program_;
};
