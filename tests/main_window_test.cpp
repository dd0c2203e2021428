#include <gtest/gtest.h>

#include "test_program.h"

namespace {

struct MainWindowTest : ::testing::Test {
    TestProgram t;
    frmTesting& f = t.form;
};

TEST_F(MainWindowTest, FirstRunShowsTheStartState) {
    f.show();
    EXPECT_EQ(f.caption, "Video Quelm Version 1.0.13");
    EXPECT_TRUE(f.visible);
    EXPECT_EQ(f.Text1.text, "");
    struct Box {
        const CheckBox& box;
        const char* caption;
        int value;
    };
    for (const Box& c : {Box{f.Check1, "Call on Motion", 1}, Box{f.Check2, "IM JPEG of Trigger Event", 0},
                         Box{f.Check3, "AnswerCalls w/video", 1}, Box{f.Check4, "Alarm Sound On", 0}}) {
        EXPECT_EQ(c.box.caption, c.caption);
        EXPECT_EQ(c.box.value, c.value) << c.caption;
    }
    struct Option {
        const OptionButton& option;
        const char* caption;
        bool selected;
    };
    for (const Option& o : {Option{f.Option1, "Auto Off", false}, Option{f.Option2, "Auto Low", false},
                            Option{f.Option3, "Auto High", false}, Option{f.Option4, "Auto Med", true}}) {
        EXPECT_EQ(o.option.caption, o.caption);
        EXPECT_EQ(o.option.value, o.selected) << o.caption;
    }
    EXPECT_EQ((std::array<int, 4>{f.box_left, f.box_right, f.box_top, f.box_bottom}),
              (std::array<int, 4>{1, 315, 1, 235}));
    EXPECT_EQ(f.Label5.caption, "Motion Detect Off");
    EXPECT_TRUE(f.cmdCapture.enabled);
    EXPECT_FALSE(f.cmdStop.enabled);
    EXPECT_FALSE(f.Command2.visible);
    EXPECT_EQ(f.Slider1.max, 16);
    EXPECT_EQ(f.Slider1.value, 5);
    EXPECT_EQ(f.snap_folder, t.folder.path() + "/");
    EXPECT_EQ(f.alarm_file, "");
    EXPECT_TRUE(f.timMotion.enabled());
    EXPECT_TRUE(f.Timer3.enabled());
    EXPECT_TRUE(f.SkypeTimer(2).enabled());
    for (Timer* stopped : {&f.Timer1, &f.Timer2, &f.Timer4, &f.Timer5, &f.Timer6})
        EXPECT_FALSE(stopped->enabled()) << stopped->name().toStdString();
    EXPECT_EQ(f.motion_history[1], 9);
    EXPECT_EQ(f.motion_history[600], 9);
    EXPECT_EQ(t.skype.connects, std::vector<int>{10});
    EXPECT_FALSE(t.setup().visible);
}

TEST_F(MainWindowTest, TheCaptionStaysTheDesignCaptionUntilLoaded) {
    EXPECT_EQ(f.caption, "Video Quelm for Skype v1.0");
    f.show();
    f.show();
    EXPECT_EQ(t.skype.connects.size(), 1u);
}

TEST_F(MainWindowTest, TheCloseBoxExitsOneSecondLaterAndASecondPressIsCancelledToo) {
    f.show();
    f.close_box();
    EXPECT_TRUE(f.visible);
    t.scheduler.run_for(600);
    const int grabs_so_far = t.camera.grabs;
    f.close_box();
    EXPECT_TRUE(f.visible);
    EXPECT_GT(grabs_so_far, 0) << "detection goes on while the exit is pending";
    t.scheduler.run_for(399);
    EXPECT_FALSE(t.scheduler.has_quit());
    t.scheduler.run_for(1);
    EXPECT_TRUE(t.scheduler.has_quit());
    EXPECT_FALSE(f.visible);
    EXPECT_FALSE(t.read_file("vq.stp").isEmpty());
    EXPECT_EQ(t.journal.texts().last(), "camera close");
    EXPECT_TRUE(f.timMotion.enabled()) << "the close box does not stop detection first";
}

TEST_F(MainWindowTest, MenuExitStopsDetectionThenSavesAndEnds) {
    f.show();
    t.scheduler.run_for(200);
    f.mnuExit_Click();
    EXPECT_FALSE(f.timMotion.enabled());
    EXPECT_TRUE(t.scheduler.has_quit());
    EXPECT_EQ(t.read_file("vq.stp").count("\r\n"), 20);
}

TEST_F(MainWindowTest, NoCameraShowsTheMessageOnceAndTheLoopStillRuns) {
    t.camera.present = false;
    f.show();
    t.scheduler.run_for(5000);
    ASSERT_EQ(t.messages.boxes.size(), 1u);
    EXPECT_EQ(t.messages.boxes[0].first, "Video Quelm");
    EXPECT_EQ(t.messages.boxes[0].second, "Can't open capture window");
    EXPECT_TRUE(f.timMotion.enabled());
    EXPECT_EQ(f.motion().capture_window, 0);
    // The loop has been measuring: the newest history entries hold this still scene's peak.
    EXPECT_EQ(f.motion_history[600], 0);
}

TEST_F(MainWindowTest, CaptureRestartsTwoSecondsAfterACallEnds) {
    f.show();
    const int first_window = f.motion().capture_window;
    f.motion().shut_down();
    f.timMotion.set_enabled(false);
    f.call_active = 1;
    f.Timer4.set_enabled(true);
    t.scheduler.run_for(1999);
    EXPECT_EQ(f.call_active, 1);
    t.scheduler.run_for(1);
    EXPECT_EQ(f.call_active, 0);
    EXPECT_TRUE(f.timMotion.enabled());
    EXPECT_FALSE(f.Timer4.enabled());
    EXPECT_GT(f.motion().capture_window, first_window) << "a new capture window";
    EXPECT_TRUE(t.camera.is_open);
}

TEST_F(MainWindowTest, AlarmSoundStopsAfterItsSecondsAndTheCountStartsAgain) {
    f.show();
    f.Timer6.set_enabled(true);
    f.alarm_count = 0;
    t.scheduler.run_for(29'999);
    EXPECT_FALSE(t.sound.commands.contains("Stop"));
    t.scheduler.run_for(1);
    EXPECT_EQ(t.sound.commands, (QStringList{"Stop", "Close"}));
    EXPECT_EQ(f.alarm_count, 0);
    EXPECT_TRUE(f.Timer6.enabled());
    t.scheduler.run_for(30'000);
    EXPECT_EQ(t.sound.commands.size(), 4);
}

// A length the count could never match exactly (a fraction, zero, a damaged text) must still
// end the sound.
TEST_F(MainWindowTest, AlarmSoundStopsWhateverItsLengthText) {
    struct Case {
        const char* text;
        qint64 stops_after_ms;
    };
    for (const Case& c : {Case{"2.5", 3000}, Case{"0", 1000}, Case{"-4", 1000}, Case{"abc", 30000}}) {
        TestProgram p;
        p.form.show();
        p.setup().Text1.text = c.text;
        p.form.Timer6.set_enabled(true);
        p.scheduler.run_for(c.stops_after_ms - 1);
        EXPECT_FALSE(p.sound.commands.contains("Stop")) << c.text;
        p.scheduler.run_for(1);
        EXPECT_TRUE(p.sound.commands.contains("Stop")) << c.text;
    }
}

TEST_F(MainWindowTest, UserOptionsShowsTheCurrentPathsEachTime) {
    f.show();
    f.mnuOptions.click();
    EXPECT_TRUE(t.setup().visible);
    EXPECT_EQ(t.setup().Label1.caption, f.snap_folder);
    EXPECT_TRUE(t.setup().Form_Unload());
    EXPECT_FALSE(t.setup().visible);
    f.snap_folder = "/media/cam/";
    f.alarm_file = "/media/siren.wav";
    f.mnuOptions.click();
    EXPECT_EQ(t.setup().Label1.caption, "/media/cam/");
    EXPECT_EQ(t.setup().Label3.caption, "/media/siren.wav");
}

}  // namespace
