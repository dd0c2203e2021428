// The whole program and its owner, talking through the simulated client in virtual time.
#include <gtest/gtest.h>

#include "frames.h"
#include "test_program.h"

namespace {

struct OwnerScenario : ::testing::Test {
    void SetUp() override {
        f.show();
        f.Text1.text = "vq.owner";
        t.client.video_source = [this] { return t.camera.frame; };
        t.scheduler.run_for(5'000);
    }
    // The owner writes and waits a second for the answer; returns the lines that came back.
    QStringList say(const QString& text) {
        const qsizetype before = t.client.seen_by().lines.size();
        t.client.say(text);
        t.scheduler.run_for(1'000);
        return t.client.seen_by().lines.mid(before);
    }
    SimulatedProgram t;
    frmTesting& f = t.form;
};

// Armed by chat, the alarm fires: the owner gets the snapshot and a call, answers, sees the
// camera, hangs up, and the machine goes back to watching. Later the owner asks for the list
// of snapshots and has the newest sent again.
TEST_F(OwnerScenario, ArmedByChatTheAlarmReachesTheOwnerWhoLooksInAndHangsUp) {
    EXPECT_EQ(say("im on"), QStringList{"IM pic now on"});
    EXPECT_EQ(say("call on"), QStringList{"Call now on"});
    EXPECT_EQ(say("motion on"), QStringList{"Motion Sensing Now ON"});
    t.scheduler.run_for(30'000);
    ASSERT_EQ(f.Label5.caption, "Motion Detect Active");

    t.camera.scene = flickering_band(100, 140);
    ASSERT_TRUE(t.scheduler.run_until([&] { return !t.client.seen_by().files.isEmpty(); }, 10'000));
    t.camera.scene = nullptr;
    const QString snapshot = t.client.seen_by().files.first();
    EXPECT_EQ(snapshot, t.path("Pic070315142338.JPG"));
    EXPECT_TRUE(QFileInfo(snapshot).isFile());

    ASSERT_TRUE(t.scheduler.run_until(
        [&] {
            const auto* call = t.client.current_call();
            return call && call->status == SimulatedClient::CallStatus::ringing;
        },
        10'000));
    EXPECT_FALSE(t.camera.is_open) << "the camera is left to the client for the call";
    EXPECT_TRUE(t.client.answer());
    ASSERT_TRUE(t.scheduler.run_until([&] { return t.client.seen_by().video; }, 10'000));
    EXPECT_FALSE(t.client.video_frame().isNull());

    t.scheduler.run_for(60'000);
    EXPECT_TRUE(t.client.seen_by().video) << "still watching after a minute";
    EXPECT_TRUE(t.client.hang_up());
    t.scheduler.run_for(2'100);
    EXPECT_EQ(f.call_active, 0);
    EXPECT_TRUE(t.camera.is_open);
    t.scheduler.run_for(30'000);
    EXPECT_TRUE(f.motion_active);
    EXPECT_EQ(f.Label5.caption, "Motion Detect Active");

    const QStringList listing = say("list");
    ASSERT_EQ(listing.size(), 1);
    EXPECT_EQ(listing[0],
              "Select Number to View\r\r#0  Pic070315142338.JPG  3/15/2007  2:23:38 PM\r");
    say("0");
    t.scheduler.run_for(3'000);
    EXPECT_EQ(t.client.seen_by().files, (QStringList{snapshot, snapshot}));
}

}  // namespace
