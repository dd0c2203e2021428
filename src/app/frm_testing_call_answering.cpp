#include "app/frm_testing.h"
#include "app/program.h"
#include "app/class_motion.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "time/scheduler.h"
#include "windows/video_quelm_setup.h"

namespace {
void send(frmTesting& f, const QString& command) {
    f.program().seams().skype.SendCommand(command);
}
}  // namespace

// "CALL <id> ...": remember which call the line is about.
void frmTesting::call_line(const QString& line) {
    const qsizetype blank = line.indexOf(' ', 6);
    if (blank >= 0) call_id = line.mid(5, blank - 5);
}

// Someone rings while the camera is ours: ask who it is.
void frmTesting::incoming_call() {
    call_state = 5;
    send(*this, QStringLiteral("#510 GET CALL ") + call_id + QStringLiteral(" PARTNER_HANDLE"));
}

// "#510 CALL <id> PARTNER_HANDLE <handle>": only the owner, named exactly, is answered; with no
// call target nobody is.
void frmTesting::caller_known(const QString& line) {
    const QString marker = QStringLiteral("PARTNER_HANDLE ");
    const qsizetype at = line.indexOf(marker);
    const QString handle = at < 0 ? QString() : line.mid(at + marker.size());
    if (Text1.text.isEmpty() || handle != Text1.text) return;
    send(*this, QStringLiteral("#511 SET CALL ") + call_id + QStringLiteral(" STATUS INPROGRESS"));
    SkypeTimer(3).set_enabled(true);
    call_start = program_.seams().scheduler.current_date_time();
}

// The answer went through: the call takes the camera. An error reply leaves everything as it was.
void frmTesting::call_answered(const QString& line) {
    if (line.startsWith(QLatin1String("#511 ERROR"))) return;
    motion().shut_down();
    Timer1.set_enabled(false);
    motion_active = false;
    timMotion.set_enabled(false);
    SkypeTimer(1).set_enabled(true);
    call_active = 1;
}

// Detection settles again after a call only if it is armed: a call taken while it was Off, or
// disarmed by chat during the call, leaves it Off, so the buttons never show Off while the alarm
// can fire. `restart` begins the settling afresh even when it is already counting.
void frmTesting::settle_after_call(bool restart) {
    if (restart) Timer1.set_enabled(false);
    if (!cmdCapture.enabled) Timer1.set_enabled(true);
}

// The status at the end of a line, while a call of ours holds the camera.
void frmTesting::call_status(const QString& line) {
    auto restart_settling = [this] { settle_after_call(true); };
    if (line.endsWith(QLatin1String("ROUTING"))) {
        call_state = 1;
    } else if (line.endsWith(QLatin1String("INPROGRESS"))) {
        SkypeTimer(0).set_enabled(false);
        SkypeTimer(1).set_enabled(true);
        call_state = 2;
        skype_ticks = 0;
    } else if (line.endsWith(QLatin1String("FINISHED"))) {
        call_state = 3;
        Timer4.set_enabled(true);
        restart_settling();
        SkypeTimer(3).set_enabled(false);
    } else if (line.endsWith(QLatin1String("CANCELLED"))) {
        call_state = 4;
        restart_settling();
        SkypeTimer(3).set_enabled(false);
    } else if (line.endsWith(QLatin1String("call error"))) {
        call_state = 6;
        restart_settling();
    }
}

// The four call timers share one handler and one tick count.
void frmTesting::SkypeTimer_Timer(int index) {
    ++skype_ticks;
    Video_Quelm_Setup& setup = program_.setup();
    switch (index) {
        case 0:  // a placed call rang too long
            if (setup.seconds_to_ring() <= skype_ticks) {
                send(*this,
                     QStringLiteral("SET CALL ") + call_id + QStringLiteral(" STATUS FINISHED"));
                SkypeTimer(0).set_enabled(false);
                SkypeTimer(3).set_enabled(false);
                settle_after_call(false);
                skype_ticks = 0;
                Timer4.set_enabled(true);
            }
            break;
        case 1:  // the video starts on the fourth shared tick
            if (skype_ticks == 4 && call_state != 3) {
                send(*this,
                     QStringLiteral("ALTER CALL ") + call_id + QStringLiteral(" START_VIDEO_SEND"));
                SkypeTimer(1).set_enabled(false);
            }
            break;
        case 2:
            send(*this, QStringLiteral("GET SKYPEVERSION"));
            SkypeTimer(2).set_enabled(false);
            break;
        case 3: {
            // Measured in elapsed time, so a long limit works and an hour boundary changes nothing.
            const QDateTime now = program_.seams().scheduler.current_date_time();
            const double minutes = call_start.isValid() ? call_start.msecsTo(now) / 60000.0 : 0;
            if (minutes >= setup.max_conn_minutes()) {
                send(*this,
                     QStringLiteral("SET CALL ") + call_id + QStringLiteral(" STATUS FINISHED"));
                SkypeTimer(3).set_enabled(false);
            }
            break;
        }
        default:
            break;
    }
}
