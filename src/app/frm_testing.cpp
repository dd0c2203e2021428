#include "app/frm_testing.h"

#include "app/alarm_aftermath.h"
#include "app/class_motion.h"
#include "app/program.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "seams/sound_device.h"
#include "time/scheduler.h"
#include "windows/version.h"
#include "windows/video_quelm_setup.h"

namespace {
constexpr int frame_width = 320;
constexpr int frame_height = 240;
// Picture2 is 320 x 16 units; six pixels a unit keeps every bar and line on whole pixels.
constexpr int graph_pixels_per_unit = 6;
}  // namespace

frmTesting::frmTesting(Program& program)
    : Picture3(frame_width, frame_height, frame_width, frame_height),
      picCurrentImage(frame_width, frame_height, frame_width, frame_height),
      picResult(frame_width, frame_height, frame_width, frame_height),
      Picture1(frame_width, frame_height, frame_width, frame_height),
      Picture2(frame_width, graph_height * graph_pixels_per_unit, frame_width, graph_height),
      Picture4(frame_width, frame_height, frame_width, frame_height),
      timMotion(program.seams().scheduler, "timMotion", 50),
      Timer1(program.seams().scheduler, "Timer1", 1000),
      Timer2(program.seams().scheduler, "Timer2", 3000),
      Timer3(program.seams().scheduler, "Timer3", 10000),
      Timer4(program.seams().scheduler, "Timer4", 2000),
      Timer5(program.seams().scheduler, "Timer5", 1000),
      Timer6(program.seams().scheduler, "Timer6", 1000),
      program_(program) {
    static constexpr int skype_intervals[4] = {1000, 1000, 3000, 30000};
    for (int i = 0; i < 4; ++i) {
        skype_timers_[static_cast<size_t>(i)] = std::make_unique<Timer>(
            program.seams().scheduler, QStringLiteral("SkypeTimer(%1)").arg(i), skype_intervals[i]);
    }

    picCurrentImage.visible = false;
    picResult.visible = false;
    Picture1.visible = false;
    Picture2.draw_width = 2;
    Picture4.fore_colour = colours::red;

    Label1.caption = QString::fromLatin1(drag_hint);
    Label3.caption = QStringLiteral("Capture Picture");
    Label9.caption = QStringLiteral("0");
    Label2.caption = QStringLiteral("Call Target (Skype Username)");
    Command1.caption = QStringLiteral("Set");
    Command2.caption = QStringLiteral("Slider R");
    Command2.visible = false;
    cmdCapture.caption = QStringLiteral("Motion Sense On");
    cmdStop.caption = QStringLiteral("Motion Sense Off");
    cmdStop.enabled = false;
    Check1.caption = QStringLiteral("Call on Motion");
    Check1.value = CheckBox::checked;
    Check2.caption = QStringLiteral("IM JPEG of Trigger Event");
    Check3.caption = QStringLiteral("AnswerCalls w/video");
    Check3.value = CheckBox::checked;
    Check4.caption = QStringLiteral("Alarm Sound On");
    Option1.caption = QStringLiteral("Auto Off");
    Option2.caption = QStringLiteral("Auto Low");
    Option3.caption = QStringLiteral("Auto High");
    Option4.caption = QStringLiteral("Auto Med");
    Option4.value = true;
    Slider1.enabled = false;  // the automatic modes move it themselves
    sensitivity.members = {&Option1, &Option2, &Option3, &Option4};
    for (OptionButton* option : sensitivity.members) option->group = &sensitivity;
    Slider1.min = 0;

    mnuFile.caption = QStringLiteral("&File");
    mnuExit.caption = QStringLiteral("&Exit");
    mnuShow.caption = QStringLiteral("&Show");
    mnuFormat.caption = QStringLiteral("Video &Format");
    mnuSettings.caption = QStringLiteral("&Video Settings");
    mnuOptions.caption = QStringLiteral("&User Options");
    mnuHelp.caption = QStringLiteral("&Help");
    mnuAbout.caption = QStringLiteral("&About");
    mnuInstructions.caption = QStringLiteral("&Instructions");

    wire_handlers();
}

frmTesting::~frmTesting() = default;

void frmTesting::wire_handlers() {
    cmdCapture.on_click = [this] { cmdCapture_Click(); };
    Command1.on_click = [this] { Command1_Click(); };
    Command2.on_click = [this] { Command2_Click(); };
    cmdStop.on_click = [this] { cmdStop_Click(); };
    Option1.on_click = [this] { Option1_Click(); };
    Option2.on_click = [this] { Option2_Click(); };
    Option3.on_click = [this] { Option3_Click(); };
    Option4.on_click = [this] { Option4_Click(); };
    Slider1.on_change = [this] { Slider1_Change(); };
    mnuExit.on_click = [this] { mnuExit_Click(); };
    mnuFormat.on_click = [this] { mnuFormat_Click(); };
    mnuSettings.on_click = [this] { mnuSettings_Click(); };
    mnuOptions.on_click = [this] { mnuOptions_Click(); };
    mnuAbout.on_click = [this] { mnuAbout_Click(); };
    mnuInstructions.on_click = [this] { mnuInstructions_Click(); };

    program_.seams().skype.on_notification = [this](const QString& line) {
        Access1_Notification(line);
    };

    timMotion.set_on_tick([this] { timMotion_Timer(); });
    Timer1.set_on_tick([this] { Timer1_Timer(); });
    Timer2.set_on_tick([this] { Timer2_Timer(); });
    Timer3.set_on_tick([this] { Timer3_Timer(); });
    Timer4.set_on_tick([this] { Timer4_Timer(); });
    Timer5.set_on_tick([this] { Timer5_Timer(); });
    Timer6.set_on_tick([this] { Timer6_Timer(); });
    for (int i = 0; i < 4; ++i) SkypeTimer(i).set_on_tick([this, i] { SkypeTimer_Timer(i); });
}

ClassMotion& frmTesting::motion() {
    if (!motion_)
        motion_ = std::make_unique<ClassMotion>(*this, program_, program_.seams(),
                                                program_.camera_owner());
    return *motion_;
}

void frmTesting::show() {
    if (!loaded) {
        loaded = true;
        // The timers that run from the moment the window exists.
        timMotion.set_enabled(true);
        SkypeTimer(2).set_enabled(true);
        Form_Load();
    }
    visible = true;
}

void frmTesting::close_box() {
    if (!Form_Unload()) {
        visible = false;
        loaded = false;
    }
}

void frmTesting::Form_Load() {
    Seams& seams = program_.seams();
    snap_folder = program_.app_folder() + '/';
    exit_allowed = false;
    Slider1.max = graph_height;
    Slider1.set_value(5);
    caption = app::title + ' ' + app::version_line();
    if (program_.messenger_link) Label2.caption = QStringLiteral("Call Target (messenger address)");
    bar_colour = colours::red;
    call_active = 0;
    seams.skype.Connect(10);
    motion_active = false;
    box_left = 1;
    box_top = 1;
    box_bottom = static_cast<qint16>(Picture3.scale_height() - 5);
    box_right = static_cast<qint16>(Picture3.scale_width() - 5);
    Timer3.set_enabled(true);
    load_settings();
    settings_seen_ = settings_texts();  // what is on disk (or the start values): nothing to save
    program_.aftermath().keep_house();
    motion().Vision_VFWstart(picCurrentImage);
    std::fill(motion_history.begin() + 1, motion_history.begin() + 601, 9);
    Label5.caption = QStringLiteral("Motion Detect Off");
    if (program_.setup().Check1.value == CheckBox::checked) Timer2.set_enabled(true);
}

bool frmTesting::Form_Unload() {
    if (exit_allowed) return false;
    Timer5.set_enabled(true);
    return true;
}

void frmTesting::mnuExit_Click() {
    timMotion.set_enabled(false);
    exit_program();
}

void frmTesting::exit_program() {
    save_settings();
    motion().shut_down();
    exit_allowed = true;
    close_box();
    program_.seams().scheduler.quit();
}

void frmTesting::Timer4_Timer() {
    call_active = 0;
    motion().Vision_VFWstart(picCurrentImage);
    Timer4.set_enabled(false);
}

void frmTesting::Timer5_Timer() {
    exit_program();
}

// The alarm sound stops once "Alarm Sound Seconds" have passed on the clock; the count starts
// again and the timer keeps running. The clock, not the number of ticks, decides: the wait before
// a call holds the thread and swallows ticks. Reaching the setting (rather than matching it
// exactly) stops a sound whose setting holds a fraction or a value below one.
void frmTesting::Timer6_Timer() {
    ++alarm_count;
    Video_Quelm_Setup& setup = program_.setup();
    const qint64 now = program_.seams().scheduler.now_ms();
    if (now - alarm_started_ms >= setup.alarm_sound_seconds() * 1000) {
        setup.MMControl1.Command(QStringLiteral("Stop"));
        setup.MMControl1.Command(QStringLiteral("Close"));
        alarm_count = 0;
        alarm_started_ms = now;
    }
}
