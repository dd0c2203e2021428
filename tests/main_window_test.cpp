#include <gtest/gtest.h>

#include "test_program.h"

namespace {

struct MainWindowTest : ::testing::Test {
    TestProgram t;
    frmTesting& f = t.form;
};

// The start values of the settings are the settings file's worked example; here, the rest.
TEST_F(MainWindowTest, FirstRunShowsTheStartState) {
    EXPECT_EQ(f.caption, "Video Quelm for Skype v1.0") << "the design caption until loaded";
    f.show();
    f.show();
    EXPECT_EQ(f.caption, "Video Quelm Version 1.0.13");
    EXPECT_EQ(t.skype.connects, std::vector<int>{10}) << "attached once";
    EXPECT_EQ(f.Label5.caption, "Motion Detect Off");
    EXPECT_TRUE(f.cmdCapture.enabled);
    EXPECT_FALSE(f.cmdStop.enabled);
    EXPECT_FALSE(f.Command2.visible);
    EXPECT_EQ(f.Slider1.value, 5);
    EXPECT_FALSE(t.setup().visible);
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

// A camera that goes away while watching is tried again, at 1, 2, 4... seconds, then every
// minute, until it is back; meanwhile the owner hears that it is not available.
TEST_F(MainWindowTest, ALostCameraIsTriedAgainUntilItIsBack) {
    f.show();
    f.Text1.text = "bob";
    auto status = [&] {
        t.skype.on_notification("CHATMESSAGE 8 STATUS RECEIVED");
        t.skype.on_notification("#605 CHATMESSAGE 8 CHATNAME #bob/$cam;1");
        t.skype.on_notification("#606 CHATMESSAGE 8 FROM_HANDLE bob");
        t.skype.on_notification("#610 CHATMESSAGE 8 BODY status");
        return t.skype.commands.last();
    };
    const qint64 lost_at = t.scheduler.now_ms();
    t.camera.present = false;
    t.camera.is_open = false;
    t.camera.on_lost("unplugged");
    EXPECT_TRUE(status().endsWith("Audio Alarm Disabled\rCamera not available\r"));
    t.scheduler.run_for(200'000);
    QList<qint64> tries;
    for (const auto& [at, entry] : t.journal.entries)
        if (entry == "camera open" && at > lost_at) tries.append((at - lost_at) / 1000);
    EXPECT_EQ(tries, (QList<qint64>{1, 3, 7, 15, 31, 63, 123, 183}));
    t.camera.present = true;
    t.scheduler.run_for(60'000);
    EXPECT_TRUE(t.camera.is_open);
    EXPECT_TRUE(status().endsWith("Audio Alarm Disabled\r"));
    EXPECT_EQ(t.messages.boxes.size(), 0u) << "nothing pops up at the machine";
}

// A length the count could never match exactly (a fraction, zero, a damaged text) must still
// end the sound; the count then starts again for the next sound.
TEST_F(MainWindowTest, AlarmSoundStopsAfterItsSecondsWhateverItsLengthText) {
    struct Case {
        const char* text;
        qint64 stops_after_ms;
    };
    for (const Case& c : {Case{"30", 30000}, Case{"2.5", 3000}, Case{"0", 1000}, Case{"-4", 1000},
                          Case{"abc", 30000}}) {
        TestProgram p;
        p.form.show();
        p.setup().Text1.text = c.text;
        p.form.Timer6.set_enabled(true);
        p.scheduler.run_for(c.stops_after_ms - 1);
        EXPECT_TRUE(p.sound.commands.isEmpty()) << c.text;
        p.scheduler.run_for(1);
        EXPECT_EQ(p.sound.commands, (QStringList{"Stop", "Close"})) << c.text;
        p.scheduler.run_for(c.stops_after_ms);
        EXPECT_EQ(p.sound.commands.size(), 4) << c.text << ": the count starts again";
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
