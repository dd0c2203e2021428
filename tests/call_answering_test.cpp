#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace {

// The program on show with "bob" as its call target, armed or not.
struct OwnedProgram : ShownProgram {
    explicit OwnedProgram(bool armed = true, const QString& target = "bob", int answer_box = 1) {
        form.Text1.text = target;
        form.Check3.value = answer_box;
        if (armed) form.cmdCapture.click();
    }
    void line(const QString& text) { skype.on_notification(text); }
};

// The program asks who rings whatever its boxes say, and answers only the call target itself; an
// error reply to the answer leaves the camera to detection. However an answered call ends, before
// the video or after it, the camera comes back two seconds later, and detection settles again
// only if it is armed when the call ends. Meanwhile nothing can fire, which the window and the
// owner are told, and nothing of the old call goes on.
TEST(CallAnswering, OnlyTheCallTargetIsAnsweredAndEveryEndGivesTheCameraBack) {
    struct Case {
        const char* end = "CALL 9 STATUS FINISHED";  // empty: the client left the bus
        bool armed = true;
        bool disarmed_during = false;
        bool video_first = false;
        QString target = "bob", caller = "bob";
        int answer_box = 1;
        bool answered = true;
        const char* answer = "#511 CALL 9 STATUS INPROGRESS";
    };
    const Case cases[] = {
        {.video_first = true},
        {},
        {.end = "CALL 9 STATUS CANCELLED"},
        {.end = "CALL 9 STATUS FAILED"},
        {.end = "CALL 9 STATUS REFUSED"},
        {.end = "CALL 9 STATUS MISSED"},
        {.end = "CALL 9 STATUS BUSY"},
        {.end = "USERSTATUS LOGGEDOUT"},
        {.end = ""},
        {.armed = false},
        {.disarmed_during = true},
        {.answer = "#511 ERROR 71 Action failed"},
        {.caller = "jimbob", .answered = false},
        {.caller = "Bob", .answered = false},
        {.target = "", .answered = false},
        {.answer_box = 0, .answered = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases << ": " << c.end);
        OwnedProgram p(c.armed, c.target, c.answer_box);
        p.scheduler.run_for(30'000);
        p.line("CALL 9 STATUS RINGING");
        EXPECT_EQ(p.skype.commands.last(), "#510 GET CALL 9 PARTNER_HANDLE");
        p.line("#510 CALL 9 PARTNER_HANDLE " + c.caller);
        EXPECT_EQ(p.skype.commands.last() == "#511 SET CALL 9 STATUS INPROGRESS", c.answered);
        if (c.answered) p.line(c.answer);
        const bool in_call = p.form.call_active == 1;
        EXPECT_EQ(in_call, c.answered && QString(c.answer).contains("INPROGRESS"));
        EXPECT_EQ(p.camera.is_open, !in_call) << "the call has the camera";
        EXPECT_EQ(p.form.timMotion.enabled(), !in_call);
        if (!in_call) continue;
        EXPECT_FALSE(p.form.motion_active);
        EXPECT_EQ(p.form.Label5.caption, c.armed ? "Motion Detect on Delay" : "Motion Detect Off");
        p.form.interpret_command("status");
        // The first line is only armed or not; why it waits comes after the six.
        const QString status = p.skype.commands.last();
        EXPECT_TRUE(
            status.contains(c.armed ? "\r\rMotion Sensing On\r" : "\r\rMotion Sensing Off\r"));
        EXPECT_EQ(status.endsWith("abled\rMotion Detect on Delay\r"), c.armed) << status;
        if (c.video_first) {  // the video starts on the fourth tick after the answer
            p.scheduler.run_for(3'999);
            EXPECT_FALSE(p.skype.commands.contains("ALTER CALL 9 START_VIDEO_SEND"));
            p.scheduler.run_for(1);
            EXPECT_EQ(p.skype.commands.last(), "ALTER CALL 9 START_VIDEO_SEND");
        } else {
            p.scheduler.run_for(2'000);
        }
        if (c.disarmed_during) p.form.cmdStop.click();
        if (*c.end)
            p.line(c.end);
        else
            p.skype.login_status = SkypeLink::logged_out;
        p.scheduler.run_for(1'999);
        EXPECT_EQ(p.form.call_active, 1);
        p.scheduler.run_for(*c.end ? 1 : 10'001);  // a client that left is seen on the 10 s check
        EXPECT_EQ(p.form.call_active, 0);
        EXPECT_TRUE(p.camera.is_open);
        EXPECT_TRUE(p.form.timMotion.enabled());
        const bool resumes = c.armed && !c.disarmed_during;
        EXPECT_EQ(p.form.Label5.caption, resumes ? "Motion Detect on Delay" : "Motion Detect Off");
        p.scheduler.run_for(30'000);
        EXPECT_EQ(p.form.motion_active, resumes);
        EXPECT_EQ(p.form.Label5.caption, resumes ? "Motion Detect Active" : "Motion Detect Off");
        // The video start never fires after the end (a client that left is seen only later).
        EXPECT_EQ(p.skype.commands.count("ALTER CALL 9 START_VIDEO_SEND"),
                  c.video_first || !*c.end ? 1 : 0);
    }
}

// A placed call nobody answers is hung up on the tenth tick; an answered one on the first
// 30-second tick at or past the longest call, in elapsed time, so that a call across the hour is
// neither cut short nor kept for ever. An earlier call that failed early leaves no tick behind.
TEST(CallAnswering, APlacedCallIsHungUpWhenItsTimeIsUp) {
    struct Case {
        const char* max_minutes;
        int start_minute, start_second;
        bool answered;
        qint64 hung_up_after_s;
    };
    for (const Case& c : {Case{"30", 50, 10, false, 10}, Case{"30", 50, 10, true, 1800},
                          Case{"90", 50, 10, true, 5400}, Case{"5", 59, 50, true, 300}}) {
        SCOPED_TRACE(c.max_minutes);
        OwnedProgram p(false);
        p.setup().Text4.text = c.max_minutes;
        p.scheduler.run_for(((c.start_minute - 23) * 60 + c.start_second) * 1000LL - 5'500);
        p.form.motion().phone_trigger();
        p.scheduler.run_for(2'500);
        p.line("CALL 77 STATUS FAILED");
        p.scheduler.run_for(3'000);
        p.skype.commands.clear();
        p.form.motion().phone_trigger();
        p.line("CALL 78 STATUS ROUTING");
        p.line(c.answered ? "CALL 78 STATUS INPROGRESS" : "CALL 78 STATUS RINGING");
        p.scheduler.run_for(c.hung_up_after_s * 1000 - 1);
        EXPECT_FALSE(p.skype.commands.contains("SET CALL 78 STATUS FINISHED"));
        EXPECT_FALSE(p.skype.commands.contains("#510 GET CALL 78 PARTNER_HANDLE"))
            << "our own call's ringing is no call in";
        p.scheduler.run_for(1);
        EXPECT_EQ(p.skype.commands.last(), "SET CALL 78 STATUS FINISHED");
        if (c.answered) p.line("CALL 78 STATUS FINISHED");
        p.scheduler.run_for(2'000);
        EXPECT_EQ(p.form.call_active, 0);
        EXPECT_TRUE(p.form.timMotion.enabled());
    }
}

}  // namespace
