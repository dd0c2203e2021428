#include "app/frm_testing.h"
#include "app/program.h"
#include "windows/video_quelm_setup.h"

void frmTesting::arm_detection() {
    Label5.caption = QStringLiteral("Motion Detect on Delay");
    cmdCapture.enabled = false;
    cmdStop.enabled = true;
    mnuFormat.enabled = false;
    mnuSettings.enabled = false;
    Timer1.set_enabled(true);
    Picture3.enabled = false;
    Label1.caption = QStringLiteral("Camera Image");
}

void frmTesting::disarm_detection() {
    cmdCapture.enabled = true;
    cmdStop.enabled = false;
    motion_active = false;
    Picture3.enabled = true;
    mnuFormat.enabled = true;
    mnuSettings.enabled = true;
    Label5.caption = QStringLiteral("Motion Detect Off");
    Timer1.set_enabled(false);
    Label1.caption = QString::fromLatin1(drag_hint);
}

void frmTesting::cmdCapture_Click() {
    arm_detection();
}

void frmTesting::cmdStop_Click() {
    disarm_detection();
}

void frmTesting::Timer2_Timer() {
    Timer2.set_enabled(false);
    arm_detection();
}

// The delay is read afresh on every tick, so a change in the settings dialog applies to a count
// already running. A delay of 0 or less makes detection active on the first tick.
void frmTesting::Timer1_Timer() {
    ++settle_count;
    if (settle_count >= program_.setup().settle_delay_seconds()) {
        Timer1.set_enabled(false);
        motion_active = true;
        settle_count = 0;
        Label5.caption = QStringLiteral("Motion Detect Active");
    }
}
