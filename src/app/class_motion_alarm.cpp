#include <QImageWriter>

#include "app/alarm_aftermath.h"
#include "app/class_motion.h"
#include "app/durable_file.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "log/categories.h"
#include "motion_log/motion_log.h"
#include "seams/keystrokes.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "time/scheduler.h"
#include "windows/video_quelm_setup.h"

namespace {
constexpr int snapshot_quality = 90;

// Written beside any old file and renamed over it, so a full disk never leaves half a picture.
bool save_jpeg(const QImage& image, const QString& path) {
    QString error;
    const bool written = durable_file::write(
        path,
        [&image](QIODevice& file) {
            QImageWriter writer(&file, "jpeg");
            writer.setQuality(snapshot_quality);
            return writer.write(image);
        },
        &error);
    if (!written) qCWarning(alarm_log) << "snapshot" << path << "not saved:" << error;
    return written;
}
}  // namespace

// The first alarm action: log line, fresh stamped frame, snapshot file, then either the settling
// delay or the camera released for the call. Date and time are read anew at each step. A file
// that cannot be written is logged and the sequence goes on: the alarm matters more.
void ClassMotion::frame_grab(qint16& /*ts*/) {
    frmTesting& f = form_;
    Scheduler& clock = seams_.scheduler;
    const QString name = motion_log::snapshot_name(clock.current_date_time());
    const QDateTime now = clock.current_date_time();
    const QString log_path = program_.app_path(motion_log::file_name);
    if (!motion_log::append_line(log_path,
                                 name + QStringLiteral("  ") + motion_log::date_text(now.date()) +
                                     QStringLiteral("  ") + motion_log::time_text(now.time())))
        qCWarning(alarm_log) << "motion log not written:" << log_path;
    CamToBMP(f.Picture4);
    f.Picture4.print(0, 0, motion_log::stamp_text(clock.current_date_time()));
    const QString snapshot_path = f.snap_folder + name;
    program_.aftermath().snapshot_taken(snapshot_path,
                                        save_jpeg(f.Picture4.image(), snapshot_path));
    if (f.Check2.value == CheckBox::checked) send_file(name);
    if (f.Check1.value == CheckBox::unchecked) {
        f.Timer1.set_enabled(true);
    } else {
        shut_down();
    }
}

void ClassMotion::phone_trigger() {
    frmTesting& f = form_;
    Seams& seams = seams_;
    f.call_active = 1;
    f.timMotion.set_enabled(false);
    seams.skype.SendCommand(QStringLiteral("Call ") + f.Text1.text);
    f.SkypeTimer(0).set_enabled(true);
    f.skype_ticks = 0;
    f.SkypeTimer(3).set_enabled(true);
    f.call_start = seams.scheduler.current_date_time();
}

// Opens the client's file-sending dialog on the snapshot folder and confirms it with the keys
// that pick the named file; the waits give the client time to show the dialog.
void ClassMotion::send_file(const QString& flname) {
    frmTesting& f = form_;
    Seams& seams = seams_;
    seams.skype.SendCommand(QStringLiteral("OPEN FILETRANSFER ") + f.Text1.text +
                            QStringLiteral(" IN ") + f.snap_folder);
    seams.scheduler.block_for(2000);
    seams.keys.send_keys(QStringLiteral("{TAB}"));
    seams.scheduler.block_for(100);
    seams.keys.send_keys(QStringLiteral("+{TAB}"));
    seams.keys.send_keys(flname);
    seams.keys.send_keys(QStringLiteral("{TAB}{TAB}{TAB}{ENTER}"));
}

// Snapshot first, while the cause is still in view; then the status, the sound, and the call
// after three seconds. A greyed box counts as ticked here.
void ClassMotion::fire_alarm(qint16 peak) {
    frmTesting& f = form_;
    frame_grab(peak);
    f.motion_active = false;
    f.Label5.caption = QStringLiteral("Motion Detect on Delay");
    if (f.Check4.value != CheckBox::unchecked) {
        f.Timer6.set_enabled(true);
        MMControl& sound = program_.setup().MMControl1;
        sound.DeviceType = QStringLiteral("WaveAudio");
        sound.FileName = f.alarm_file;
        sound.Command(QStringLiteral("Open"));
        sound.Command(QStringLiteral("Prev"));
        sound.Command(QStringLiteral("Play"));
        f.alarm_count = 0;
        f.alarm_started_ms = seams_.scheduler.now_ms();
    }
    const bool calls = f.Check1.value != CheckBox::unchecked;
    if (calls) {
        seams_.scheduler.block_for(3000);
        phone_trigger();
    }
    program_.aftermath().alarm_fired(peak,
                                     f.Check2.value == CheckBox::checked ? f.Text1.text : QString(),
                                     calls ? f.Text1.text : QString());
}
