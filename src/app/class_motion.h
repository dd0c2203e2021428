#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <optional>
#include <vector>

class frmTesting;
class Picture;

// The engine of the main window: it owns the camera, the motion measure and the alarm actions.
// Each group below lives in the file named after it, class_motion_<topic>.cpp.
class ClassMotion {
public:
    static constexpr int grid_divisions = 80;
    static constexpr int channel_threshold = 10;

    explicit ClassMotion(frmTesting& form);

    // ---- The camera (class_motion_capture.cpp) ----
    // Opens the camera; false (logged, and the user told) when it would not open.
    bool Vision_VFWstart(Picture& canvas);
    void Vision_VFWgrab(Picture& destination);
    void CamToBMP(Picture& picturex);
    void Video_Setup();
    void Video_format();
    void shut_down();
    // The capture window made by the last start, 0 when none could be made.
    int capture_window = 0;

    // ---- The difference image (class_motion_measure.cpp) ----
    void Vision_Motion(Picture& inputImage, Picture& backgroundImage, Picture& motionImage);

    // ---- The measure and the trigger (class_motion_trigger.cpp) ----
    void Vision_CentreOfMotion(Picture& canvas);
    // The measure's column tables, indexed 1..79.
    std::array<int, grid_divisions> column_count{};
    std::array<int, grid_divisions> history_newer{};
    std::array<int, grid_divisions> history_older{};
    std::array<int, grid_divisions> last_bar{};

    // ---- The alarm actions (class_motion_alarm.cpp) ----
    // False when the motion log line or the snapshot could not be written (both are logged).
    bool frame_grab(qint16& ts);
    void phone_trigger();
    void send_file(const QString& flname);

private:
    // The camera: puts the newest frame (or, with none new, the last one) into a picture.
    void grab_into(Picture& target);

    // The trigger.
    using SampleRows = std::vector<const QRgb*>;
    SampleRows sample_rows(const Picture& canvas, int row_step) const;
    int count_column(const Picture& canvas, int x, const SampleRows& rows) const;
    void update_history_and_threshold(int peak);

    // The alarm: its actions in their fixed order, run inside the tick that fired.
    void fire_alarm(qint16 peak);

    frmTesting& form_;
    int windows_made_ = 0;
    bool connected_ = false;
    // The last frame handed over by the device: a grab with nothing new repeats it.
    std::optional<QImage> last_frame_;
};
