#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "controls/picture.h"

class frmTesting;

// The engine of the main window: it owns the camera, the motion measure and the alarm actions.
// Each group below lives in the file named after it, class_motion_<topic>.cpp.
class ClassMotion {
  public:
    static constexpr int grid_divisions = 80;
    static constexpr int channel_threshold = 10;

    explicit ClassMotion(frmTesting& form);
    ~ClassMotion();
    ClassMotion(const ClassMotion&) = delete;
    ClassMotion& operator=(const ClassMotion&) = delete;

    // ---- The camera (class_motion_capture.cpp) ----
    // Opens the camera; false (logged, and the user told) when it would not open.
    bool Vision_VFWstart(Picture& canvas);
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
    bool camera_lost() const { return wanted_ && !connected_; }
    static constexpr int first_reopen_delay_ms = 1000;
    static constexpr int longest_reopen_delay_ms = 60'000;
    // When the lost camera is next tried, on the scheduler's clock.
    qint64 reopen_due_ms() const { return reopen_due_ms_; }

    // ---- The difference image (class_motion_measure.cpp) ----
    void Vision_Motion(Picture& inputImage, Picture& backgroundImage, Picture& motionImage);

    // ---- The measure and the trigger (class_motion_trigger.cpp) ----
    void Vision_CentreOfMotion(Picture& canvas);

    // ---- The alarm actions (class_motion_alarm.cpp) ----
    // False when the motion log line or the snapshot could not be written (both are logged).
    bool frame_grab(qint16& ts);
    void phone_trigger();
    void send_file(const QString& flname);

  private:
    // The measure's column tables, indexed 1..79.
    std::array<int, grid_divisions> column_count{};
    std::array<int, grid_divisions> history_newer{};
    std::array<int, grid_divisions> history_older{};
    std::array<int, grid_divisions> last_bar{};

    // The camera: puts the newest frame (or, with none new, the last one) into a picture.
    void grab_into(Picture& target);

    // The trigger.
    using SampleRows = std::vector<Picture::PixelRow>;
    SampleRows sample_rows(const Picture& canvas, int row_step) const;
    int sample_column(const Picture& canvas, int x) const;
    void count_columns(const Picture& canvas, int column_step, const SampleRows& rows);
    using Columns = std::array<int, grid_divisions>;
    template <typename Row>
    void count_row(const Row& row, const Columns& columns);
    void update_history_and_threshold(int peak);
    void restore_camera_choice();

    void camera_went(const QString& problem);
    void schedule_reopen();
    void try_reopen();

    // The alarm: its actions in their fixed order, run inside the tick that fired.
    void fire_alarm(qint16 peak);

    frmTesting& form_;
    int windows_made_ = 0;
    bool connected_ = false;
    bool wanted_ = false;  // started and not shut down for a call
    int reopen_delay_ms_ = 0;
    qint64 reopen_due_ms_ = 0;
    quint64 reopen_round_ = 0;  // a new round makes earlier scheduled tries void
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool camera_choice_restored_ = false;
    // The last frame handed over by the device: a grab with nothing new repeats it.
    std::optional<QImage> last_frame_;
};
