#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/link_command.h"
#include "app/program.h"
#include "log/categories.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "time/scheduler.h"
#include "windows/video_quelm_setup.h"

// "CALL <id> ...": remember which call the line is about.
void frmTesting::call_line(const QString& line) {
    const qsizetype blank = line.indexOf(' ', 6);
    if (blank >= 0) call_id = line.mid(5, blank - 5);
}

// Someone rings while the camera is ours: ask who it is.
void frmTesting::incoming_call() {
    call_state = 5;
    send_command(*this,
                 QStringLiteral("#510 GET CALL ") + call_id + QStringLiteral(" PARTNER_HANDLE"));
}

// "#510 CALL <id> PARTNER_HANDLE <handle>": only the owner, named exactly, is answered; with no
// call target nobody is.
void frmTesting::caller_known(const QString& line) {
    const QString marker = QStringLiteral("PARTNER_HANDLE ");
    const qsizetype at = line.indexOf(marker);
    const QString handle = at < 0 ? QString() : line.mid(at + marker.size());
    if (Text1.text.isEmpty() || handle != Text1.text) return;
    qCInfo(link_log).noquote() << "incoming call" << call_id << "from" << handle << "answered";
    send_command(*this,
                 QStringLiteral("#511 SET CALL ") + call_id + QStringLiteral(" STATUS INPROGRESS"));
    SkypeTimer(3).set_enabled(true);
    call_start = program_.seams().scheduler.current_date_time();
}

// The answer went through: the call takes the camera. An error reply leaves everything as it was.
void frmTesting::call_answered(const QString& line) {
    if (line.startsWith(QLatin1String("#511 ERROR"))) return;
    motion().shut_down();
    Timer1.set_enabled(false);
    motion_active = false;
    // Nothing can fire while the call has the camera; an armed machine says it is waiting.
    if (!cmdCapture.enabled) Label5.caption = QStringLiteral("Motion Detect on Delay");
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

// However a call of ours ends (or is hung up by us), the camera comes back two seconds later
// and an armed machine settles again. The video start must not fire into the next call.
void frmTesting::give_camera_back(bool restart_settling) {
    SkypeTimer(0).set_enabled(false);
    SkypeTimer(1).set_enabled(false);
    SkypeTimer(3).set_enabled(false);
    Timer4.set_enabled(true);
    settle_after_call(restart_settling);
}

namespace {
// The statuses after which a call is over, and the client's logging out, which ends every call.
int final_call_state(const QString& line) {
    if (line.endsWith(QLatin1String("FINISHED"))) return 3;
    if (line.endsWith(QLatin1String("CANCELLED"))) return 4;
    for (const char* ending : {"call error", "FAILED", "REFUSED", "MISSED", "BUSY"})
        if (line.endsWith(QLatin1String(ending))) return 6;
    if (line == QLatin1String("CONNSTATUS LOGGEDOUT") ||
        line == QLatin1String("USERSTATUS LOGGEDOUT"))
        return 6;
    return 0;
}
}  // namespace

// The status at the end of a line, while a call of ours holds the camera.
void frmTesting::call_status(const QString& line) {
    if (line.endsWith(QLatin1String("ROUTING"))) {
        call_state = 1;
    } else if (line.endsWith(QLatin1String("INPROGRESS"))) {
        SkypeTimer(0).set_enabled(false);
        SkypeTimer(1).set_enabled(true);
        call_state = 2;
        skype_ticks = 0;
    } else if (const int final_state = final_call_state(line)) {
        qCInfo(link_log).noquote()
            << "call" << call_id << "with" << Text1.text << "ended:" << line.section(' ', -1);
        call_state = final_state;
        give_camera_back(true);
    }
}

// The four call timers share one handler and one tick count.
void frmTesting::SkypeTimer_Timer(int index) {
    ++skype_ticks;
    Video_Quelm_Setup& setup = program_.setup();
    switch (index) {
        case 0:  // a placed call rang too long
            if (setup.seconds_to_ring() <= skype_ticks) {
                send_command(*this, QStringLiteral("SET CALL ") + call_id +
                                        QStringLiteral(" STATUS FINISHED"));
                give_camera_back(false);
                skype_ticks = 0;
            }
            break;
        case 1:  // the video starts on the fourth shared tick
            if (skype_ticks == 4 && call_state != 3) {
                send_command(*this, QStringLiteral("ALTER CALL ") + call_id +
                                        QStringLiteral(" START_VIDEO_SEND"));
                SkypeTimer(1).set_enabled(false);
            }
            break;
        case 2:
            send_command(*this, QStringLiteral("GET SKYPEVERSION"));
            SkypeTimer(2).set_enabled(false);
            break;
        case 3: {
            // Measured in elapsed time, so a long limit works and an hour boundary changes nothing.
            const QDateTime now = program_.seams().scheduler.current_date_time();
            const double minutes = call_start.isValid() ? call_start.msecsTo(now) / 60000.0 : 0;
            if (minutes >= setup.max_conn_minutes()) {
                send_command(*this, QStringLiteral("SET CALL ") + call_id +
                                        QStringLiteral(" STATUS FINISHED"));
                SkypeTimer(1).set_enabled(false);
                SkypeTimer(3).set_enabled(false);
            }
            break;
        }
        default:
            break;
    }
}
