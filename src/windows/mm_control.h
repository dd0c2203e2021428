#pragma once

#include <QString>

class SoundDevice;

// The settings dialog's multimedia control: the program's one sound device, driven through its
// properties and command words.
class MMControl {
  public:
    explicit MMControl(SoundDevice& device);
    ~MMControl();

    QString DeviceType;
    QString FileName;
    // "Open" hands the device type and file name over first; every command goes to the device.
    void Command(const QString& command);

  private:
    SoundDevice& device_;
};
