#include "windows/mm_control.h"

#include "seams/sound_device.h"

MMControl::MMControl(SoundDevice& device) : device_(device) {}

MMControl::~MMControl() = default;

void MMControl::Command(const QString& command) {
    if (command == QLatin1String("Open")) {
        device_.set_device_type(DeviceType);
        device_.set_file_name(FileName);
    }
    device_.command(command);
}
