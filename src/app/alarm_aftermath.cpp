#include "app/alarm_aftermath.h"

#include <QFileInfo>
#include <QProcess>

#include "app/frm_testing.h"
#include "app/program.h"
#include "app/snapshot_housekeeping.h"
#include "log/categories.h"
#include "seams/seams.h"
#include "seams/user_messages.h"
#include "time/scheduler.h"

AlarmAftermath::AlarmAftermath(Program& program) : program_(program) {}

AlarmAftermath::~AlarmAftermath() {
    if (command_ && command_->state() != QProcess::NotRunning) {
        command_->kill();
        command_->waitForFinished(1000);
    }
}

void AlarmAftermath::snapshot_taken(const QString& path, bool saved) {
    snapshot_path_ = path;
    snapshot_saved_ = saved;
    // Said once in a box and then in the window (the log has every one): the alarm still calls
    // and sends.
    if (saved || unsaved_told_) return;
    unsaved_told_ = true;
    program_.folder_unwritable = true;
    program_.seams().messages.message_box(
        QStringLiteral("Video Quelm"),
        QStringLiteral("The snapshot %1 could not be saved. Alarms still call and send, but no "
                       "pictures are kept until the folder can be written to.")
            .arg(path));
}

void AlarmAftermath::alarm_fired(int peak, const QString& sent, const QString& called) {
    const QString snapshot =
        snapshot_saved_ ? QFileInfo(snapshot_path_).fileName() : QStringLiteral("not saved");
    qCInfo(alarm_log).noquote()
        << QStringLiteral("alarm at %1: peak %2, snapshot %3, picture %4, call %5")
               .arg(program_.seams().scheduler.current_date_time().toString(Qt::ISODate))
               .arg(peak)
               .arg(snapshot, sent.isEmpty() ? QStringLiteral("not sent") : "sent to " + sent,
                    called.isEmpty() ? QStringLiteral("not placed") : "to " + called);
    keep_house();
    run_command(peak);
}

void AlarmAftermath::keep_house() {
    const frmTesting& f = program_.main_window();
    snapshot_housekeeping::enforce(f.snap_folder, {f.keep_days, f.keep_megabytes},
                                   program_.seams().scheduler.current_date_time());
}

// The user's command, with the snapshot and the peak as its arguments: no shell reads them, and
// one that hangs is stopped, so alarms never pile up commands.
void AlarmAftermath::run_command(int peak) {
    const QString line = program_.main_window().alarm_command.trimmed();
    if (line.isEmpty()) return;
    if (command_ && command_->state() != QProcess::NotRunning) {
        qCWarning(alarm_log) << "alarm command still running from the last alarm; not run again";
        return;
    }
    QStringList words = QProcess::splitCommand(line);
    if (words.isEmpty()) return;
    command_ = std::make_unique<QProcess>();
    command_->setProgram(words.takeFirst());
    command_->setArguments(words << snapshot_path_ << QString::number(peak));
    command_->setProcessChannelMode(QProcess::ForwardedChannels);
    QProcess* process = command_.get();
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError) {
        if (process->error() == QProcess::FailedToStart)
            qCWarning(alarm_log).noquote() << "alarm command" << process->program()
                                           << "did not start:" << process->errorString();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process](int code, QProcess::ExitStatus status) {
                         if (status == QProcess::NormalExit && code == 0) return;
                         qCWarning(alarm_log).noquote()
                             << "alarm command" << process->program()
                             << (status == QProcess::CrashExit
                                     ? QStringLiteral("ended by a signal")
                                     : QStringLiteral("failed with exit code %1").arg(code));
                     });
    process->start();
    const quint64 round = ++command_round_;
    program_.seams().scheduler.post_after(command_limit_ms, [this, round] {
        if (round != command_round_ || !command_ || command_->state() == QProcess::NotRunning)
            return;
        qCWarning(alarm_log).noquote() << "alarm command" << command_->program() << "took over"
                                       << command_limit_ms / 1000 << "s; stopped";
        command_->kill();
    });
}
