#pragma once

#include "seams/sound_device.h"

// A device with no sound output: it opens nothing and plays nothing, and so never reports a
// completion, like a device given a file it cannot open.
class SilentSoundDevice : public SoundDevice {
  public:
    void set_device_type(const QString&) override {}
    void set_file_name(const QString&) override {}
    void command(const QString&) override {}
};
