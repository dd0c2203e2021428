#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <memory>

#include "app/chat_messages_in_flight.h"
#include "controls/colour.h"
#include "controls/controls.h"
#include "controls/picture.h"
#include "time/timer.h"

class Program;
class ClassMotion;

// The main window. Its controls and the shared variables beside them are the program's shared
// state: every part of the program reads and writes them by these names.
class frmTesting {
  public:
    static constexpr int graph_height = 16;  // Picture2's scale height, the slider's maximum
    static constexpr int history_length = 600;
    static constexpr const char* drag_hint =
        "Camera Image- Hold Left Mouse Down & Drag to Adjust Area";

    explicit frmTesting(Program& program);
    ~frmTesting();
    frmTesting(const frmTesting&) = delete;
    frmTesting& operator=(const frmTesting&) = delete;

    // ---- The window ----
    QString caption = QStringLiteral("Video Quelm for Skype v1.0");
    bool loaded = false;
    bool visible = false;
    // Makes the window visible; the first time this loads it (Form_Load), then shows it.
    void show();
    // The user pressed the window's close box.
    void close_box();

    // ---- Controls ----
    Picture Picture3;         // the camera picture with the watched rectangle
    Picture picCurrentImage;  // hidden; handed to the camera start, which draws nothing on it
    Picture picResult;        // hidden; the difference image
    Picture Picture1;         // hidden; the newest frame
    Picture Picture2;         // the motion graph, 320 x 16 units
    Picture Picture4;         // the last snapshot
    Label Label1, Label3, Label5, Label9, Label2;
    TextBox Text1;  // the call target
    CommandButton Command1, Command2, cmdCapture, cmdStop;
    CheckBox Check1, Check2, Check3, Check4;
    OptionGroup sensitivity;
    OptionButton Option1, Option2, Option3, Option4;
    Slider Slider1;
    MenuItem mnuFile, mnuExit, mnuShow, mnuFormat, mnuSettings, mnuOptions, mnuHelp, mnuAbout,
        mnuInstructions;

    // ---- Timers: what each does, and the file that holds its handler ----
    Timer timMotion;  // 50 ms: one detection step, difference and measure (frm_testing_motion)
    Timer Timer1;     // 1 s: counts out the settling delay, then detection is active (_arming)
    Timer Timer2;     // 3 s, once: arms detection after start-up when the settings say so (_arming)
    Timer Timer3;     // 10 s: the link's login check; logged out ends our call (_connection_watch)
    Timer Timer4;     // 2 s, once: after a call the camera comes back to detection (frm_testing)
    Timer Timer5;     // 1 s: the close box's delayed exit, which saves the settings (frm_testing)
    Timer Timer6;     // 1 s: stops the alarm sound after its set length (frm_testing)
    // The four share one handler and one tick count (frm_testing_call_answering):
    //   SkypeTimer(0) 1 s: hangs up a placed call that rang for the set number of seconds;
    //   SkypeTimer(1) 1 s: starts our video on the fourth tick of an answered call;
    //   SkypeTimer(2) 3 s, once: asks the client's version after start-up;
    //   SkypeTimer(3) 30 s: hangs up a call that has lasted the longest a call may.
    Timer& SkypeTimer(int index) { return *skype_timers_.at(static_cast<size_t>(index)); }

    // ---- Shared variables ----
    QString snap_folder;
    QString alarm_file;
    bool motion_active = false;
    int call_active = 0;
    qint16 box_left = 1, box_right = 315, box_top = 1, box_bottom = 235;
    Colour bar_colour = colours::red;
    std::array<quint8, 801> motion_history{};
    int alarm_count = 0;
    bool dragging = false;
    int skype_ticks = 0;
    QDateTime call_start;
    QString chat_msg_id;
    QString chat_name;  // the chat of the command being answered
    std::array<QString, 10> log_buffer;
    // Snapshot housekeeping (0: off) and the program run at each alarm (empty: none).
    int keep_days = 0;
    int keep_megabytes = 0;
    QString alarm_command;

    // The chat client refused this program access ("ERROR 68").
    bool link_access_refused = false;
    // The link has been up at least once this run: only then is losing it news.
    bool link_ever_up = false;
    bool no_link_told = false;
    // A messenger account was saved that this run does not use; the next start does.
    bool account_for_next_start = false;

    // ---- What the window tells beyond its first design (frm_testing_notices.cpp) ----
    // One line under the call target: no messenger, the camera sent in a call, pictures that
    // cannot be saved. Empty when all is well.
    Label lblNotice;
    // Said over the camera picture while no picture comes; empty while the camera delivers.
    QString picture_notice;
    // Brings the notices and the status label in line with the state; runs after every event.
    void update_notices();
    QString messenger_notice() const;

    // ---- Window-owned variables ----
    bool exit_allowed = false;
    int settle_count = 0;
    int slider_line = 0;
    QString call_id;
    int call_state = 0;
    qint64 alarm_started_ms = 0;  // when the alarm sound last started, on the scheduler's clock

    // Each group below lives in the file named after it: frm_testing.cpp for the start and end,
    // frm_testing_<topic>.cpp for the others.

    // ---- Start and end (frm_testing.cpp) ----
    void Form_Load();
    // The close request; returns true when the close is cancelled.
    bool Form_Unload();
    void mnuExit_Click();
    void exit_program();
    void Timer4_Timer();
    void Timer5_Timer();
    void Timer6_Timer();
    // The engine, created the first time it is needed.
    ClassMotion& motion();
    bool has_motion() const { return motion_ != nullptr; }
    Program& program() { return program_; }

    // ---- Arming (frm_testing_arming.cpp) ----
    void arm_detection();
    void disarm_detection();
    void cmdCapture_Click();
    void cmdStop_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // ---- Motion loop, rectangle and sensitivity (frm_testing_motion.cpp) ----
    void timMotion_Timer();
    void Picture3_MouseDown(double x, double y);
    void Picture3_MouseMove(double x, double y);
    void Picture3_MouseUp(double x, double y);
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Slider1_Change();

    // ---- Menus (frm_testing_menus.cpp) ----
    void mnuFormat_Click();
    void mnuSettings_Click();
    void mnuOptions_Click();
    void mnuAbout_Click();
    void mnuInstructions_Click();

    // ---- Settings file (frm_testing_settings.cpp) ----
    void load_settings();
    // False when the file could not be written (logged); the old file is then left whole.
    bool save_settings();
    // Runs after every event: a changed setting is saved this long after it changed.
    static constexpr int settings_save_delay_ms = 2000;
    void save_settings_soon();

    // ---- Notifications from the chat link (frm_testing_dispatcher.cpp) ----
    void Access1_Notification(const QString& line);

  private:
    void chat_message_received(const QString& line);
    void chat_name_arrived(const QString& line);
    void chat_author_arrived(const QString& line);
    void access_refused();
    void chat_body_arrived(const QString& line);

    // ---- Remote commands (frm_testing_remote_commands.cpp) ----
  public:
    void interpret_command(const QString& body);

  private:
    void reply(const QString& text);
    QString help_text() const;
    QString sensing_text() const;
    QString status_text();
    QString list_text();

    // ---- Calls: out, in and answered (frm_testing_call_answering.cpp) ----
  public:
    void SkypeTimer_Timer(int index);

  private:
    void call_line(const QString& line);
    void incoming_call();
    void caller_known(const QString& line);
    void call_answered(const QString& line);
    void call_status(const QString& line);
    void settle_after_call(bool restart);
    void give_camera_back(bool restart_settling);

    // ---- Connection watch, version and friends (frm_testing_connection_watch.cpp) ----
  public:
    void Timer3_Timer();
    void Command1_Click();
    void Command2_Click();

  private:
    void disconnected_warning();
    void no_link_yet();
    bool version_arrived(const QString& line);
    bool friends_arrived(const QString& line);

    // ---- Wiring and state (frm_testing.cpp) ----
    void wire_handlers();

    Program& program_;
    // For each settings line, what the file held when it was read (or the start value): a value
    // that cannot be stored keeps this line.
    QList<QByteArray> settings_kept_;
    QString settings_texts();
    QString settings_seen_;  // the values as last saved or read
    bool settings_save_due_ = false;
    QString not_stored_told_;
    std::array<std::unique_ptr<Timer>, 4> skype_timers_;
    ChatMessagesInFlight chats_in_flight_;
    std::unique_ptr<ClassMotion> motion_;
};
