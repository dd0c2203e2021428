#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "seams/camera_device.h"

struct Seams;

// "Video Settings": the capture device's own controls as its driver lists them. A change
// reaches the device at once; the values are kept when the dialog closes.
class VideoSettingsDialog {
  public:
    VideoSettingsDialog(Seams& seams, std::function<QString()> settings_path)
        : seams_(seams), settings_path_(std::move(settings_path)) {}

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

    Seams& seams_;
    std::function<QString()> settings_path_;
};
