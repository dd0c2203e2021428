#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "camera/camera_owner.h"
#include "platform/console_messages.h"
#include "platform/gst/gst_clip_reader.h"
#include "platform/no_file_dialogs.h"
#include "platform/offline_skype_link.h"
#include "platform/silent_sound_device.h"
#include "replay_camera.h"
#include "time/virtual_scheduler.h"

class Program;

// Recorded footage through the whole program in virtual time: one frame for each 50 ms tick of
// the motion loop, the main window shown and detection armed as "Start" arms it, with the
// settings the program would read from its application folder. What the program writes (motion
// log, snapshots) goes to a folder of the replay's own, so the real ones are left alone; the
// triggers say what the program would have written. There is no chat client, so the call-out and
// the picture sending are left out and detection settles again after each trigger.
class ClipReplay {
  public:
    struct Trigger {
        qint64 clip_ms;    // where in the clip the frame that fired lies
        int peak;          // the peak shown in Label9
        QString snapshot;  // the snapshot file, in the snapshot folder the settings name
        QString log_line;  // the line added to the motion log
    };

    static constexpr int frame_period_ms = 50;

    // `app_folder`: where the program's settings file "vq.stp" is read from.
    explicit ClipReplay(const QString& app_folder);
    ~ClipReplay();
    ClipReplay(const ClipReplay&) = delete;
    ClipReplay& operator=(const ClipReplay&) = delete;

    // Shows the engine the next frame and lets one tick of virtual time pass.
    void feed(const ClipFrame& frame);

    qint64 frames() const { return frames_; }
    const std::vector<Trigger>& triggers() const { return triggers_; }
    // Called as each trigger happens.
    std::function<void(const Trigger&)> on_trigger;

  private:
    void after_event();
    QString new_log_line();

    QTemporaryDir work_;
    VirtualScheduler scheduler_;
    ReplayCamera camera_;
    CameraOwner camera_owner_{camera_};
    OfflineSkypeLink skype_;
    SilentSoundDevice sound_;
    ConsoleMessages messages_;
    NoFileDialogs dialogs_;
    std::unique_ptr<Program> program_;
    QString snapshot_folder_;  // as the settings have it
    qint64 log_read_ = 0;
    qint64 frames_ = 0;
    qint64 clip_ms_ = 0;
    bool was_active_ = false;
    std::vector<Trigger> triggers_;
};
