#pragma once

#include <gst/gst.h>

#include <QString>
#include <memory>

#include "platform/gst/gst_ptr.h"

#include "seams/sound_device.h"

class GstBusRelay;

// The sound device on GStreamer's player. "Open" loads the file named before it (a file that
// cannot be opened leaves the device empty: later commands play nothing and report nothing),
// "Prev" goes back to the start, "Play" plays, "Stop" pauses, "Close" lets the file go. A play
// ends with `on_done`: `completed` at the end of the file, `aborted` when stopped or closed,
// `failed` when the output broke off. Completions arrive as events of the thread that made the
// device, never inside one of its commands.
class GstSoundDevice : public SoundDevice {
  public:
    static constexpr int aborted = 4;
    static constexpr int failed = 8;

    // The output the sound goes to; without one, the system's default output (which plays
    // silently where there is no sound card). The device takes the element over.
    explicit GstSoundDevice(GstElement* audio_sink = nullptr);
    ~GstSoundDevice() override;

    void set_device_type(const QString& type) override { device_type_ = type; }
    void set_file_name(const QString& file_name) override { file_name_ = file_name; }
    void command(const QString& command) override;

    // Whether the last "Open" found a file it can play.
    bool is_open() const { return open_; }

  private:
    void open();
    void rewind();
    void play();
    void stop();
    void close();
    void end_play(int code);
    void handle(GstMessage* message);

    GstElementPtr player_;
    std::unique_ptr<GstBusRelay> relay_;
    QString device_type_;
    QString file_name_;
    bool open_ = false;
    bool playing_ = false;
    bool at_end_ = false;
};
