#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace {

using MainWindowTest = MachineTest;

// Loading twice attaches once. The start values are the settings file's, the window's state the
// arming test's. Without a camera the user hears of it once, and the loop runs all the same.
TEST(MainWindow, LoadingAttachesOnceAndRunsWithoutACamera) {
    TestProgram t;
    t.camera.present = false;
    t.form.show();
    t.form.show();
    EXPECT_EQ(t.skype.connects, std::vector<int>{10});
    EXPECT_EQ(t.form.Slider1.value, 5);
    t.scheduler.run_for(5000);
    EXPECT_EQ(
        t.messages.boxes,
        (std::vector<std::pair<QString, QString>>{{"Video Quelm", "Can't open capture window"}}));
    EXPECT_TRUE(t.form.timMotion.enabled());
}

// The close box exits a second later, without stopping detection first, and a second press
// is cancelled too; menu Exit stops detection and ends at once. Both save.
TEST_F(MainWindowTest, TheCloseBoxExitsOneSecondLaterAndMenuExitAtOnce) {
    f.close_box();
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
    EXPECT_TRUE(f.timMotion.enabled());

    ShownProgram other;
    other.form.mnuExit_Click();
    EXPECT_FALSE(other.form.timMotion.enabled());
    EXPECT_TRUE(other.scheduler.has_quit());
    EXPECT_FALSE(other.read_file("vq.stp").isEmpty());
}

// A camera that goes away while watching is tried again, at 1, 2, 4... seconds, then every
// minute, until it is back. The window never says it watches when it cannot: the picture says
// why and when it is tried again, the owner hears that the camera is not available, and nothing
// pops up at the machine. A call that sends the camera is said too, for the people in front of it.
TEST_F(MainWindowTest, ALostCameraIsTriedAgainUntilItIsBackAndTheWindowSaysSo) {
    auto status = [&] {
        f.interpret_command("status");
        return t.skype.commands.last();
    };
    t.program.camera_source = "/dev/video9";
    t.make_active();
    const qint64 lost_at = t.scheduler.now_ms();
    t.camera.present = false;
    t.camera.is_open = false;
    t.camera.on_lost("unplugged");
    EXPECT_TRUE(status().endsWith("Audio Alarm Disabled\rCamera not available\r"));
    const auto seen = [&] { return QStringList{f.Label5.caption, f.picture_notice}; };
    t.scheduler.run_for(500);
    EXPECT_EQ(seen(), QStringList({"No Picture: Detection Waits",
                                   "No camera (/dev/video9): trying again in 1 s"}));
    t.scheduler.run_for(1'000);
    EXPECT_EQ(f.picture_notice, "No camera (/dev/video9): trying again in 2 s");
    t.scheduler.run_for(198'500);
    QList<qint64> tries;
    for (const auto& [at, entry] : t.journal.entries)
        if (entry == "camera open" && at > lost_at) tries.append((at - lost_at) / 1000);
    EXPECT_EQ(tries, (QList<qint64>{1, 3, 7, 15, 31, 63, 123, 183}));
    t.camera.present = true;
    t.scheduler.run_for(60'000);
    EXPECT_TRUE(t.camera.is_open);
    EXPECT_TRUE(status().endsWith("Audio Alarm Disabled\r"));
    EXPECT_EQ(seen(), QStringList({"Motion Detect Active", ""}));
    EXPECT_EQ(t.messages.boxes.size(), 0u) << "nothing pops up at the machine";

    t.skype.on_notification("CALL 9 STATUS RINGING");
    t.skype.on_notification("#510 CALL 9 PARTNER_HANDLE bob");
    t.skype.on_notification("#511 CALL 9 STATUS INPROGRESS");
    t.scheduler.run_for(1'000);
    EXPECT_EQ(f.lblNotice.caption, "In a call: the camera is sent to bob");
    t.skype.on_notification("CALL 9 STATUS FINISHED");
    t.scheduler.run_for(3'000);
    EXPECT_EQ(f.lblNotice.caption, "");
}

}  // namespace
