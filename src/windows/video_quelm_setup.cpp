#include "windows/video_quelm_setup.h"

#include "seams/file_dialogs.h"
#include "seams/seams.h"
#include "seams/sound_device.h"
#include "time/scheduler.h"
#include "time/timer.h"
#include "windows/setting_number.h"

Video_Quelm_Setup::Video_Quelm_Setup(Seams& seams, QString& snap_folder, QString& alarm_file,
                                     const Timer& alarm_sound_timer)
    : MMControl1(seams.sound),
      seams_(seams),
      snap_folder_(snap_folder),
      alarm_file_(alarm_file),
      alarm_sound_timer_(alarm_sound_timer) {
    Text1.text = QStringLiteral("30");
    Text2.text = QStringLiteral("10");
    Text3.text = QStringLiteral("30");
    Text4.text = QStringLiteral("30");
    Check1.caption = QStringLiteral("Start Motion Detection on Program Start");
    Label1.caption = QStringLiteral("Label1");
    Label2.caption = QStringLiteral("Save Jpegs to directory:");
    Label3.caption = QStringLiteral("Label3");
    Label4.caption = QStringLiteral("Alarm Sound File");
    Label5.caption = QStringLiteral("Seconds to Ring");
    Label6.caption = QStringLiteral("Alarm Sound Seconds");
    Label7.caption = QStringLiteral("Settle Delay Seconds");
    Label8.caption = QStringLiteral("Max Conn Minutes");
    Command1.caption = Command3.caption = QStringLiteral("Change");
    for (CommandButton* plus : {&Command2, &Command5, &Command8, &Command9})
        plus->caption = QStringLiteral("+");
    for (CommandButton* minus : {&Command4, &Command6, &Command7, &Command10})
        minus->caption = QStringLiteral("-");
    MMControl1.DeviceType = QStringLiteral("WaveAudio");

    Command1.on_click = [this] { Command1_Click(); };
    Command3.on_click = [this] { Command3_Click(); };
    Command2.on_click = [this] { Command2_Click(); };
    Command4.on_click = [this] { Command4_Click(); };
    Command5.on_click = [this] { Command5_Click(); };
    Command6.on_click = [this] { Command6_Click(); };
    Command7.on_click = [this] { Command7_Click(); };
    Command8.on_click = [this] { Command8_Click(); };
    Command9.on_click = [this] { Command9_Click(); };
    Command10.on_click = [this] { Command10_Click(); };
    seams.sound.on_done = [this](int code) { MMControl1_Done(code); };
}

Video_Quelm_Setup::~Video_Quelm_Setup() {
    seams_.sound.on_done = nullptr;
}

double Video_Quelm_Setup::alarm_sound_seconds() const {
    return setting_number(Text1.text, default_alarm_seconds);
}
double Video_Quelm_Setup::seconds_to_ring() const {
    return setting_number(Text2.text, default_ring_seconds);
}
double Video_Quelm_Setup::settle_delay_seconds() const {
    return setting_number(Text3.text, default_settle_seconds);
}
double Video_Quelm_Setup::max_conn_minutes() const {
    return setting_number(Text4.text, default_max_minutes);
}

// A "+" adds its step only while the value is below its limit, a "-" (negative step) subtracts
// only while it is above; the result is written back as the shortest decimal text.
void Video_Quelm_Setup::apply(const ValueStep& button) {
    const double value = setting_number(button.box->text, button.fallback);
    const bool may_step = button.step > 0 ? value < button.limit : value > button.limit;
    if (!may_step) return;
    button.box->text = QString::number(value + button.step, 'g', 15);
}

void Video_Quelm_Setup::Command2_Click() {
    apply({&Text2, +1, 999, default_ring_seconds});
}
void Video_Quelm_Setup::Command4_Click() {
    apply({&Text2, -1, 1, default_ring_seconds});
}
void Video_Quelm_Setup::Command5_Click() {
    apply({&Text3, +1, 300, default_settle_seconds});
}
void Video_Quelm_Setup::Command6_Click() {
    apply({&Text3, -1, 10, default_settle_seconds});
}
void Video_Quelm_Setup::Command8_Click() {
    apply({&Text4, +1, 100, default_max_minutes});
}
void Video_Quelm_Setup::Command7_Click() {
    apply({&Text4, -1, 1, default_max_minutes});
}
void Video_Quelm_Setup::Command9_Click() {
    apply({&Text1, +10, 300, default_alarm_seconds});
}
void Video_Quelm_Setup::Command10_Click() {
    apply({&Text1, -10, 10, default_alarm_seconds});
}

// The user walks to the folder in a save-style dialog; the suggested name stands for the future
// snapshots and is cut off after the last "/", which is kept. The answer comes as an event of
// its own: the program runs on while the dialog is open.
void Video_Quelm_Setup::Command1_Click() {
    seams_.dialogs.save_file(
        {QStringLiteral("Set Directory for Saved JPEGs"), QStringLiteral("JPEG|*.jpg"),
         QStringLiteral("Future Capture Files")},
        [this](const QString& chosen) {
            seams_.scheduler.post([this, chosen] { snapshot_folder_chosen(chosen); });
        });
}

void Video_Quelm_Setup::snapshot_folder_chosen(const QString& chosen) {
    if (chosen.isEmpty()) return;
    const qsizetype slash = chosen.lastIndexOf('/');
    const QString folder = slash < 0 ? chosen : chosen.left(slash + 1);
    snap_folder_ = folder;
    Label1.caption = folder;
}

// The chosen sound is opened on the device, ready for its play button; nothing plays yet.
void Video_Quelm_Setup::Command3_Click() {
    seams_.dialogs.open_file({QStringLiteral("Set Sound File to Play on Alarm"),
                              QStringLiteral("WAV,AVI|*.WAV;*.AVI"), QString()},
                             [this](const QString& chosen) {
                                 seams_.scheduler.post([this, chosen] { sound_chosen(chosen); });
                             });
}

void Video_Quelm_Setup::sound_chosen(const QString& chosen) {
    if (chosen.isEmpty()) return;
    alarm_file_ = chosen;
    Label3.caption = chosen;
    MMControl1.DeviceType = QStringLiteral("WaveAudio");
    MMControl1.FileName = alarm_file_;
    MMControl1.Command(QStringLiteral("Open"));
}

bool Video_Quelm_Setup::Form_Unload() {
    visible = false;
    MMControl1.Command(QStringLiteral("Stop"));
    return true;
}

// Each successful end of the file plays it again while the alarm timer runs; any other code
// (stopped, replaced, failed) ends the loop.
void Video_Quelm_Setup::MMControl1_Done(int notify_code) {
    if (alarm_sound_timer_.enabled() && notify_code == SoundDevice::completed) {
        MMControl1.Command(QStringLiteral("Prev"));
        MMControl1.Command(QStringLiteral("Play"));
    }
}
