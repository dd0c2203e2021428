#include "clip_replay.h"

#include <QFile>

#include "app/frm_testing.h"
#include "app/program.h"
#include "app/settings_codec.h"
#include "motion_log/motion_log.h"

ClipReplay::ClipReplay(const QString& app_folder) : scheduler_(QDateTime::currentDateTime()) {
    QFile::copy(app_folder + '/' + settings_codec::file_name,
                work_.filePath(settings_codec::file_name));
    program_ = std::make_unique<Program>(
        Seams{scheduler_, camera_, skype_, sound_, messages_, skype_, dialogs_}, camera_owner_,
        work_.path());
    frmTesting& f = program_->main_window();
    f.show();
    // Without a folder of its own in the settings, the program saves into its application folder.
    const QString work_folder = work_.path() + '/';
    snapshot_folder_ = f.snap_folder == work_folder ? app_folder + '/' : f.snap_folder;
    f.snap_folder = work_folder;
    f.Check1.set_value(CheckBox::unchecked);  // "Call on Motion"
    f.Check2.set_value(CheckBox::unchecked);  // "IM JPEG of Trigger Event"
    // With "Start Motion Detection on Program Start" the program arms itself a moment later.
    if (!f.Timer2.enabled()) f.cmdCapture_Click();
    scheduler_.after_event = [this] { after_event(); };
}

ClipReplay::~ClipReplay() {
    scheduler_.after_event = nullptr;
    program_.reset();
}

void ClipReplay::feed(const ClipFrame& frame) {
    camera_.show(frame.image);
    clip_ms_ = frame.clip_ms;
    ++frames_;
    scheduler_.run_for(frame_period_ms);
}

// Only the firing sequence clears the active state while detection stays armed.
void ClipReplay::after_event() {
    const frmTesting& f = program_->main_window();
    if (was_active_ && !f.motion_active && f.cmdStop.enabled) {
        const QString line = new_log_line();
        Trigger trigger{clip_ms_, f.Label9.caption.toInt(),
                        snapshot_folder_ + line.section(QLatin1Char(' '), 0, 0), line};
        triggers_.push_back(trigger);
        if (on_trigger) on_trigger(trigger);
    }
    was_active_ = f.motion_active;
}

// What the log gained since it was last looked at: the line of the trigger just fired.
QString ClipReplay::new_log_line() {
    QFile log(work_.filePath(motion_log::file_name));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(log_read_)) return {};
    const QByteArray added = log.readAll();
    log_read_ += added.size();
    return QString::fromLocal8Bit(added.trimmed());
}
