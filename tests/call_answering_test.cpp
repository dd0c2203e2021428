#include <gtest/gtest.h>

#include "test_program.h"

namespace {

struct CallTest : ::testing::Test {
    void SetUp() override {
        f.show();
        f.Text1.text = "bob";
        t.scheduler.run_for(5'000);  // past the version request
        t.skype.commands.clear();
    }
    void line(const QString& text) { t.skype.on_notification(text); }
    // The owner rings; the program asks who it is and, for the owner, answers.
    void ring(const QString& caller, const QString& id = "208") {
        line("CALL " + id + " STATUS RINGING");
        if (t.skype.commands.contains("#510 GET CALL " + id + " PARTNER_HANDLE"))
            line("#510 CALL " + id + " PARTNER_HANDLE " + caller);
        if (t.skype.commands.contains("#511 SET CALL " + id + " STATUS INPROGRESS"))
            line("#511 CALL " + id + " STATUS INPROGRESS");
    }
    TestProgram t;
    frmTesting& f = t.form;
};

TEST_F(CallTest, TheOwnersCallIsAnsweredWithVideoAndDetectionComesBack) {
    f.cmdCapture.click();
    ring("bob");
    EXPECT_EQ(t.skype.commands, (QStringList{"#510 GET CALL 208 PARTNER_HANDLE",
                                             "#511 SET CALL 208 STATUS INPROGRESS"}));
    EXPECT_EQ(f.call_active, 1);
    EXPECT_FALSE(t.camera.is_open) << "the call has the camera";
    EXPECT_FALSE(f.timMotion.enabled());
    EXPECT_FALSE(f.Timer1.enabled());
    t.scheduler.run_for(3'999);
    EXPECT_FALSE(t.skype.commands.contains("ALTER CALL 208 START_VIDEO_SEND"));
    t.scheduler.run_for(1);
    EXPECT_EQ(t.skype.commands.last(), "ALTER CALL 208 START_VIDEO_SEND");

    t.scheduler.run_for(60'000);
    line("CALL 208 STATUS FINISHED");
    t.scheduler.run_for(1'999);
    EXPECT_EQ(f.call_active, 1);
    t.scheduler.run_for(1);
    EXPECT_EQ(f.call_active, 0);
    EXPECT_TRUE(t.camera.is_open);
    EXPECT_TRUE(f.timMotion.enabled());
    t.scheduler.run_for(28'000);
    EXPECT_TRUE(f.motion_active) << "settled 30 s after the end";
}

// Whatever the call, detection comes back after it only if it is armed when the call ends.
TEST_F(CallTest, TheEndOfACallResumesDetectionOnlyIfItIsArmed) {
    struct Case {
        const char* name;
        bool armed_before;
        bool disarmed_during;
        bool active_after;
    };
    const Case cases[] = {{"armed", true, false, true},
                          {"off before the call", false, false, false},
                          {"disarmed during the call", true, true, false}};
    for (const Case& c : cases) {
        TestProgram p;
        p.form.show();
        p.form.Text1.text = "bob";
        if (c.armed_before) p.form.cmdCapture.click();
        p.skype.on_notification("CALL 9 STATUS RINGING");
        p.skype.on_notification("#510 CALL 9 PARTNER_HANDLE bob");
        p.skype.on_notification("#511 CALL 9 STATUS INPROGRESS");
        p.scheduler.run_for(10'000);
        if (c.disarmed_during) p.form.cmdStop.click();
        p.skype.on_notification("CALL 9 STATUS FINISHED");
        p.scheduler.run_for(60'000);
        EXPECT_EQ(p.form.motion_active, c.active_after) << c.name;
        EXPECT_EQ(p.form.cmdCapture.enabled, !c.active_after) << c.name;
        EXPECT_EQ(p.form.Label5.caption,
                  c.active_after ? "Motion Detect Active" : "Motion Detect Off")
            << c.name;
        EXPECT_TRUE(p.camera.is_open) << c.name << ": the camera comes back either way";
    }
}

// However an answered call ends, before the video has even started, the camera comes back, an
// armed machine settles again, and nothing of the old call goes on. Meanwhile the window and the
// owner are told that nothing can fire.
TEST_F(CallTest, EveryEndOfACallGivesTheCameraBack) {
    // The line that ends the call; empty: the client left the bus.
    for (const char* end : {"CALL 9 STATUS FINISHED", "CALL 9 STATUS CANCELLED",
                            "CALL 9 STATUS FAILED", "CALL 9 STATUS REFUSED", "CALL 9 STATUS MISSED",
                            "CALL 9 STATUS BUSY", "USERSTATUS LOGGEDOUT", ""}) {
        TestProgram p;
        p.form.show();
        p.form.Text1.text = "bob";
        p.form.cmdCapture.click();
        p.scheduler.run_for(30'000);
        p.skype.on_notification("CALL 9 STATUS RINGING");
        p.skype.on_notification("#510 CALL 9 PARTNER_HANDLE bob");
        p.skype.on_notification("#511 CALL 9 STATUS INPROGRESS");
        EXPECT_EQ(p.form.Label5.caption, "Motion Detect on Delay") << end;
        p.form.interpret_command("status");
        EXPECT_TRUE(p.skype.commands.last().contains("\rMotion Sensing on Delay\r")) << end;
        p.scheduler.run_for(2'000);
        if (*end)
            p.skype.on_notification(end);
        else
            p.skype.login_status = SkypeLink::logged_out;
        p.scheduler.run_for(12'000);
        EXPECT_EQ(p.form.call_active, 0) << end;
        EXPECT_TRUE(p.camera.is_open) << end;
        EXPECT_EQ(p.form.Label5.caption, "Motion Detect on Delay") << end;
        p.scheduler.run_for(30'000);
        EXPECT_TRUE(p.form.motion_active) << end;
        EXPECT_EQ(p.form.Label5.caption, "Motion Detect Active") << end;
        if (*end) {  // ended before the fourth tick: the video request never goes out
            EXPECT_FALSE(p.skype.commands.contains("ALTER CALL 9 START_VIDEO_SEND")) << end;
        }
    }
}

TEST_F(CallTest, OnlyTheCallTargetItselfIsAnswered) {
    struct Case {
        QString target, caller;
        int answer_box;
        bool answered;
    };
    const Case cases[] = {{"bob", "bob", 1, true},
                          {"bob", "jimbob", 1, false},
                          {"bob", "Bob", 1, false},
                          {"", "bob", 1, false},
                          {"bob", "bob", 0, false}};
    for (const Case& c : cases) {
        TestProgram p;
        p.form.show();
        p.form.Text1.text = c.target;
        p.form.Check3.value = c.answer_box;
        p.skype.on_notification("CALL 9 STATUS RINGING");
        EXPECT_EQ(p.skype.commands.last(), "#510 GET CALL 9 PARTNER_HANDLE")
            << "asked whatever the box";
        p.skype.on_notification("#510 CALL 9 PARTNER_HANDLE " + c.caller);
        EXPECT_EQ(p.skype.commands.contains("#511 SET CALL 9 STATUS INPROGRESS"), c.answered)
            << c.caller.toStdString() << " for " << c.target.toStdString();
    }
}

TEST_F(CallTest, AnErrorReplyToTheAnswerLeavesTheCameraToDetection) {
    line("CALL 5 STATUS RINGING");
    line("#510 CALL 5 PARTNER_HANDLE bob");
    line("#511 ERROR 71 Action failed");
    EXPECT_EQ(f.call_active, 0);
    EXPECT_TRUE(t.camera.is_open);
    EXPECT_TRUE(f.timMotion.enabled());
}

TEST_F(CallTest, APlacedCallNobodyAnswersIsHungUpOnTheTenthTick) {
    f.cmdCapture.click();  // an alarm call is placed only while detection is armed
    t.scheduler.run_for(30'000);
    ASSERT_FALSE(f.Timer1.enabled());
    t.skype.commands.clear();
    f.motion().phone_trigger();
    line("CALL 77 STATUS ROUTING");
    line("CALL 77 STATUS RINGING");
    EXPECT_FALSE(t.skype.commands.contains("#510 GET CALL 77 PARTNER_HANDLE"))
        << "our own call's ringing is no incoming call";
    t.scheduler.run_for(9'999);
    EXPECT_FALSE(t.skype.commands.contains("SET CALL 77 STATUS FINISHED"));
    t.scheduler.run_for(1);
    EXPECT_EQ(t.skype.commands.last(), "SET CALL 77 STATUS FINISHED");
    EXPECT_TRUE(f.Timer4.enabled());
    EXPECT_TRUE(f.Timer1.enabled());
}

// A call that ends early leaves no tick behind: the next call rings its full ten seconds.
TEST_F(CallTest, TheNextPlacedCallRingsItsFullTime) {
    f.cmdCapture.click();
    t.scheduler.run_for(30'000);
    f.motion().phone_trigger();
    line("CALL 77 STATUS INPROGRESS");
    t.scheduler.run_for(2'000);
    line("CALL 77 STATUS FINISHED");
    t.scheduler.run_for(40'000);
    t.skype.commands.clear();
    f.motion().phone_trigger();
    line("CALL 78 STATUS ROUTING");
    t.scheduler.run_for(9'999);
    EXPECT_TRUE(t.skype.commands.filter("78").isEmpty())
        << t.skype.commands.join('|').toStdString();
    t.scheduler.run_for(1);
    EXPECT_EQ(t.skype.commands.last(), "SET CALL 78 STATUS FINISHED");
}

// Measured in elapsed time: a call across the hour is neither cut short nor kept for ever.
TEST(CallLength, TheLongestCallIsMeasuredInElapsedMinutes) {
    struct Case {
        const char* max_minutes;
        int start_minute, start_second;
        qint64 hung_up_after_s;  // the first 30-second tick at or past the limit
    };
    for (const Case& c :
         {Case{"30", 50, 10, 1800}, Case{"90", 50, 10, 5400}, Case{"5", 59, 50, 300}}) {
        TestProgram t;
        t.scheduler.run_for(((c.start_minute - 23) * 60 + c.start_second) * 1000LL);
        t.form.show();
        t.setup().Text4.text = c.max_minutes;
        t.form.Text1.text = "bob";
        t.form.Check1.value = 1;
        t.form.motion().phone_trigger();
        t.skype.on_notification("CALL 3 STATUS INPROGRESS");
        t.scheduler.run_for(c.hung_up_after_s * 1000 - 1);
        EXPECT_FALSE(t.skype.commands.contains("SET CALL 3 STATUS FINISHED")) << c.max_minutes;
        t.scheduler.run_for(1);
        EXPECT_TRUE(t.skype.commands.contains("SET CALL 3 STATUS FINISHED")) << c.max_minutes;
    }
}

}  // namespace
