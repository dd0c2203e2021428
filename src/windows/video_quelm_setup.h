#pragma once

#include <QString>
#include <array>

#include "controls/controls.h"
#include "windows/mm_control.h"

class Timer;
struct Seams;

// The settings dialog "Setup". Its four value boxes and its check box are the live store of
// those five settings: other parts read them here at the moment of use.
class Video_Quelm_Setup {
  public:
    // The defaults, also used where a box holds text that is not a number.
    static constexpr double default_alarm_seconds = 30;
    static constexpr double default_ring_seconds = 10;
    static constexpr double default_settle_seconds = 30;
    static constexpr double default_max_minutes = 30;

    // The dialog sets the main window's snapshot folder and alarm file; the sound loops while
    // the alarm sound timer runs.
    Video_Quelm_Setup(Seams& seams, QString& snap_folder, QString& alarm_file,
                      const Timer& alarm_sound_timer);
    ~Video_Quelm_Setup();
    Video_Quelm_Setup(const Video_Quelm_Setup&) = delete;
    Video_Quelm_Setup& operator=(const Video_Quelm_Setup&) = delete;

    QString caption = QStringLiteral("Setup");
    bool visible = false;  // created hidden; closing only hides it

    TextBox Text1;    // "Alarm Sound Seconds"
    TextBox Text2;    // "Seconds to Ring"
    TextBox Text3;    // "Settle Delay Seconds"
    TextBox Text4;    // "Max Conn Minutes"
    CheckBox Check1;  // "Start Motion Detection on Program Start"
    Label Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8;
    CommandButton Command1, Command2, Command3, Command4, Command5, Command6, Command7, Command8,
        Command9, Command10;
    MMControl MMControl1;

    // The settings as numbers, as their users read them.
    double alarm_sound_seconds() const;
    double seconds_to_ring() const;
    double settle_delay_seconds() const;
    double max_conn_minutes() const;

    // "Change" for the snapshot folder and for the alarm sound file.
    void Command1_Click();
    void Command3_Click();

    // The eight value buttons.
    void Command2_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();

    // The user closes the dialog: returns true (the close is cancelled; the dialog only hides).
    bool Form_Unload();
    void MMControl1_Done(int notify_code);

  private:
    void snapshot_folder_chosen(const QString& chosen);
    void sound_chosen(const QString& chosen);
    struct ValueStep {
        TextBox* box;
        double step;
        double limit;
        double fallback;
    };
    static void apply(const ValueStep& button);

    Seams& seams_;
    QString& snap_folder_;
    QString& alarm_file_;
    const Timer& alarm_sound_timer_;
};
