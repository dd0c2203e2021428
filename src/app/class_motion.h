#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <optional>

#include "app/motion_measure.h"
#include "controls/picture.h"
#include "time/lifetime.h"

class frmTesting;
class Program;
class CameraOwner;
struct Seams;

// The engine of the main window: detection's use of the camera, the motion measure and the alarm
// actions. Each group below lives in the file named after it, class_motion_<topic>.cpp; the
// measure's arithmetic is in motion_measure.h.
class ClassMotion {
  public:
    static constexpr int grid_divisions = motion_measure::grid_divisions;

    // `program` gives the application folder, the settings window (its sound) and the camera's
    // dialogs; the camera is taken from `camera` and given back to it.
    ClassMotion(frmTesting& form, Program& program, Seams& seams, CameraOwner& camera);
    ~ClassMotion();
    ClassMotion(const ClassMotion&) = delete;
    ClassMotion& operator=(const ClassMotion&) = delete;

    // ---- The camera (class_motion_capture.cpp) ----
    // Opens the camera; when it would not open the user is told, and it is tried again.
    void Vision_VFWstart(Picture& canvas);
    void Vision_VFWgrab(Picture& destination);
    void CamToBMP(Picture& picturex);
    void Video_Setup();
    void Video_format();
    void shut_down();
    // Opens the camera again after its device or mode changed, unless it is lent to a call.
    void reopen_camera();
    // The capture window made by the last start, 0 when none could be made.
    int capture_window = 0;
    // The camera should be watching but cannot: it failed, vanished or would not open. It is
    // tried again, after 1 s, then twice as long each time, up to a minute.
    bool camera_lost() const { return wanted_ && !connected(); }
    static constexpr int first_reopen_delay_ms = 1000;
    static constexpr int longest_reopen_delay_ms = 60'000;
    // When the lost camera is next tried, on the scheduler's clock.
    qint64 reopen_due_ms() const { return reopen_due_ms_; }

    // ---- The difference image (class_motion_measure.cpp) ----
    void Vision_Motion(Picture& inputImage, Picture& backgroundImage, Picture& motionImage);

    // ---- The measure and the trigger (class_motion_trigger.cpp) ----
    void Vision_CentreOfMotion(Picture& canvas);

    // ---- The alarm actions (class_motion_alarm.cpp) ----
    // A motion log line or a snapshot that cannot be written is logged and the alarm goes on.
    void frame_grab(qint16& ts);
    void phone_trigger();
    void send_file(const QString& flname);

  private:
    // The counts of the two frames before, for the smoothing, and the bars on the graph.
    motion_measure::Columns history_newer{};
    motion_measure::Columns history_older{};
    motion_measure::Columns last_bar{};

    // The camera: puts the newest frame (or, with none new, the last one) into a picture.
    void grab_into(Picture& target);
    bool connected() const;

    // The trigger.
    void draw_bars(const motion_measure::Bars& bars, int column_step);
    void update_threshold(int peak);
    void restore_camera_choice();

    void camera_went(const QString& problem);
    void schedule_reopen();
    void try_reopen();

    // The alarm: its actions in their fixed order, run inside the tick that fired.
    void fire_alarm(qint16 peak);

    frmTesting& form_;
    Program& program_;
    Seams& seams_;
    CameraOwner& camera_;
    int windows_made_ = 0;
    bool wanted_ = false;  // started and not shut down for a call
    int reopen_delay_ms_ = 0;
    qint64 reopen_due_ms_ = 0;
    quint64 reopen_round_ = 0;  // a new round makes earlier scheduled tries void
    Lifetime lifetime_;
    bool camera_choice_restored_ = false;
    // The last frame handed over by the device: a grab with nothing new repeats it.
    std::optional<QImage> last_frame_;
};
