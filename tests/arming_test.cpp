#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace {

const QString hint = "Camera Image- Hold Left Mouse Down & Drag to Adjust Area";
const QStringList off{"Motion Detect Off", hint,      "capture", "format menu",
                      "settings menu",     "picture", "loop"};
const QStringList settling{"Motion Detect on Delay", "Camera Image", "stop", "loop", "settling"};
const QStringList active{"Motion Detect Active", "Camera Image", "stop", "loop", "active"};
const QStringList calling{"Motion Detect on Delay", "Camera Image", "stop", "calling"};

using ArmingTest = MachineTest;

// Disarming keeps the settling count, so the next settling is shorter; becoming active clears it.
TEST_F(ArmingTest, EachStateShowsItsRow) {
    EXPECT_EQ(shown(f), off);
    f.cmdCapture.click();
    EXPECT_EQ(shown(f), settling);
    t.scheduler.run_for(10'000);
    f.cmdStop.click();
    EXPECT_EQ(shown(f), off);
    t.scheduler.run_for(5'000);
    f.cmdCapture.click();
    t.scheduler.run_for(19'999);
    EXPECT_EQ(shown(f), settling);
    t.scheduler.run_for(1);
    EXPECT_EQ(shown(f), active);
    f.arm_detection();  // again while active, as a remote command may: the flag stays
    EXPECT_EQ(shown(f), QStringList(settling) << "active");
    f.cmdStop.click();
    f.cmdCapture.click();
    t.scheduler.run_for(29'999);
    EXPECT_EQ(shown(f), settling);
    t.scheduler.run_for(1);
    f.Check1.value = CheckBox::checked;  // the call keeps the settling delay from starting
    t.start_motion();
    t.scheduler.run_for(50);
    EXPECT_EQ(shown(f), calling);
    f.cmdStop.click();  // the call goes on, and the loop stays stopped until it ends
    EXPECT_EQ(shown(f), QStringList(off.first(6)) << "calling");
}

// The settle delay and the alarm sound's length are read afresh on each second's tick, and a
// count already past its setting ends too: a fraction, zero or a damaged text must still end
// it. The sound's count then starts again for the next sound.
TEST(Arming, TheSettleDelayAndTheSoundLengthAreReadAfreshEachSecond) {
    struct Case {
        const char* seconds;
        qint64 ends_after_ms;
        qint64 set_after_ms = 0;
    };
    for (const Case& c :
         {Case{"10", 10'000}, Case{"0", 1'000}, Case{"-3", 1'000}, Case{"2.5", 3'000},
          Case{"lots", 30'000}, Case{"", 30'000}, Case{"10", 13'000, 12'000}}) {
        SCOPED_TRACE(c.seconds);
        ShownProgram p;
        p.form.cmdCapture.click();
        p.form.Timer6.set_enabled(true);
        p.scheduler.run_for(c.set_after_ms);
        p.setup().Text3.text = p.setup().Text1.text = c.seconds;
        p.scheduler.run_for(c.ends_after_ms - c.set_after_ms - 1);
        EXPECT_FALSE(p.form.motion_active);
        EXPECT_TRUE(p.sound.commands.isEmpty());
        p.scheduler.run_for(1);
        EXPECT_TRUE(p.form.motion_active);
        EXPECT_EQ(p.sound.commands, (QStringList{"Stop", "Close"}));
        p.scheduler.run_for(c.ends_after_ms);
        EXPECT_EQ(p.sound.commands.size(), 4) << "the sound's count starts again";
    }
}

TEST(Arming, TheStartUpBoxArmsOnceThreeSecondsAfterLoading) {
    TestProgram t;
    t.setup().Check1.value = CheckBox::checked;
    t.form.show();
    t.scheduler.run_for(2'999);
    EXPECT_EQ(t.form.Label5.caption, "Motion Detect Off");
    t.scheduler.run_for(1);
    EXPECT_EQ(t.form.Label5.caption, "Motion Detect on Delay");
    t.form.cmdStop.click();
    t.scheduler.run_for(60'000);
    EXPECT_EQ(t.form.Label5.caption, "Motion Detect Off");
}

}  // namespace
