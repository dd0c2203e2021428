#pragma once

#include <QString>
#include <functional>

// The one sound device. It is driven by command words ("Open", "Prev", "Play", "Stop",
// "Close") after its device type and file name are set, and reports the end of a "Play" with a
// completion code: 1 when the file played to its end, another code when it was stopped or failed.
class SoundDevice {
  public:
    static constexpr int completed = 1;

    virtual ~SoundDevice() = default;
    virtual void set_device_type(const QString& type) = 0;
    virtual void set_file_name(const QString& file_name) = 0;
    virtual void command(const QString& command) = 0;

    // Set by the settings window (Video_Quelm_Setup): its MMControl1_Done hears the code.
    std::function<void(int code)> on_done;
};
