#include <algorithm>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "time/scheduler.h"

namespace {
const QString detect_active = QStringLiteral("Motion Detect Active");
const QString detect_delay = QStringLiteral("Motion Detect on Delay");
const QString detect_waits = QStringLiteral("No Picture: Detection Waits");
}  // namespace

// The account's trouble in the user's words: why it is offline and what happens next. Empty
// while it is online, and for the other links.
QString frmTesting::messenger_notice() const {
    if (!program_.messenger_state) return {};
    const Program::MessengerState state = program_.messenger_state();
    if (state.online) return {};
    if (state.reason.isEmpty()) return QStringLiteral("Connecting to the messenger...");
    QString reason = state.reason;
    while (reason.endsWith('.')) reason.chop(1);
    // What happens next comes first: the label has room for two short lines. Where to put a
    // refused account right is said by the box that came with it.
    if (state.retry_due_ms < 0) return QStringLiteral("Messenger logged out: %1").arg(reason);
    const qint64 wait_ms = state.retry_due_ms - program_.seams().scheduler.now_ms();
    if (wait_ms <= 0) return QStringLiteral("Messenger offline, trying again now: %1").arg(reason);
    return QStringLiteral("Messenger offline, trying again in %1 s: %2")
        .arg((wait_ms + 999) / 1000)
        .arg(reason);
}

// An alarm that shows a black picture and "Active" while the camera is gone misleads whoever
// trusts it: the picture says what is wrong and when it is tried again, and the status label
// stops claiming detection until pictures come again.
void frmTesting::update_notices() {
    const bool lost = has_motion() && motion().camera_lost();
    if (lost) {
        const qint64 wait_ms =
            std::max<qint64>(0, motion().reopen_due_ms() - program_.seams().scheduler.now_ms());
        const QString source =
            program_.camera_source.isEmpty() ? QString() : " (" + program_.camera_source + ')';
        picture_notice = QStringLiteral("No camera%1: trying again in %2 s")
                             .arg(source)
                             .arg((wait_ms + 999) / 1000);
        if (Label5.caption == detect_active || Label5.caption == detect_delay)
            Label5.caption = detect_waits;
    } else {
        picture_notice.clear();
        if (Label5.caption == detect_waits)
            Label5.caption = motion_active ? detect_active : detect_delay;
    }

    // People near the camera may want to know that it is being watched from afar.
    const bool camera_in_call = call_active == 1 && !Timer4.enabled();
    if (camera_in_call) {
        lblNotice.caption = QStringLiteral("In a call: the camera is sent to %1").arg(Text1.text);
    } else if (program_.folder_unwritable) {
        lblNotice.caption =
            QStringLiteral("Snapshots cannot be saved in %1").arg(program_.app_folder());
    } else if (const QString offline = messenger_notice(); !offline.isEmpty()) {
        lblNotice.caption = offline;
    } else if (account_for_next_start) {
        lblNotice.caption =
            QStringLiteral("Messenger account saved: it is used from the next start");
    } else if (no_link_told && !link_ever_up && !program_.messenger_state) {
        lblNotice.caption = QStringLiteral("No messenger set up: File > Messenger Account...");
    } else {
        lblNotice.caption.clear();
    }
}
