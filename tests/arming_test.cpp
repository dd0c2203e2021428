#include <gtest/gtest.h>

#include "frames.h"
#include "test_program.h"

namespace {

struct Shown {
    QString label5;
    bool capture_enabled, stop_enabled, menus_enabled, picture_enabled;
    QString label1;
    bool timer1, active;

    static Shown of(const frmTesting& f) {
        EXPECT_EQ(f.mnuFormat.enabled, f.mnuSettings.enabled);
        return {f.Label5.caption, f.cmdCapture.enabled, f.cmdStop.enabled, f.mnuFormat.enabled,
                f.Picture3.enabled, f.Label1.caption, f.Timer1.enabled(), f.motion_active};
    }
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << s.label5.toStdString() << " capture=" << s.capture_enabled
               << " stop=" << s.stop_enabled << " menus=" << s.menus_enabled
               << " picture=" << s.picture_enabled << " label1=" << s.label1.toStdString()
               << " timer1=" << s.timer1 << " active=" << s.active;
}

const QString hint = "Camera Image- Hold Left Mouse Down & Drag to Adjust Area";
const Shown off{"Motion Detect Off", true, false, true, true, hint, false, false};
const Shown settling{"Motion Detect on Delay", false, true, false, false, "Camera Image", true, false};
const Shown active{"Motion Detect Active", false, true, false, false, "Camera Image", false, true};
const Shown triggered{"Motion Detect on Delay", false, true, false, false, "Camera Image", false, false};

struct ArmingTest : ::testing::Test {
    void SetUp() override { f.show(); }
    TestProgram t;
    frmTesting& f = t.form;
};

TEST_F(ArmingTest, EachStateShowsItsRow) {
    EXPECT_EQ(Shown::of(f), off);
    f.cmdCapture.click();
    EXPECT_EQ(Shown::of(f), settling);
    t.scheduler.run_for(29'999);
    EXPECT_EQ(Shown::of(f), settling);
    t.scheduler.run_for(1);
    EXPECT_EQ(Shown::of(f), active);
    f.Check1.value = CheckBox::checked;  // the call keeps the settling delay from starting
    t.camera.scene = flickering_band(100, 140);
    t.scheduler.run_for(50);
    EXPECT_EQ(Shown::of(f), triggered);
    f.cmdStop.click();
    EXPECT_EQ(Shown::of(f), off);
}

TEST_F(ArmingTest, DisarmingKeepsTheCountSoTheNextSettlingIsShorter) {
    f.cmdCapture.click();
    t.scheduler.run_for(10'000);
    f.cmdStop.click();
    t.scheduler.run_for(5'000);
    f.cmdCapture.click();
    t.scheduler.run_for(19'999);
    EXPECT_FALSE(f.motion_active);
    t.scheduler.run_for(1);
    EXPECT_TRUE(f.motion_active);
    EXPECT_EQ(f.settle_count, 0);
}

TEST_F(ArmingTest, TheDelayIsReadAfreshEachSecond) {
    struct Case {
        const char* delay;
        qint64 active_after_ms;
    };
    for (const Case& c : {Case{"10", 10'000}, Case{"0", 1'000}, Case{"-3", 1'000},
                          Case{"2.5", 3'000}, Case{"lots", 30'000}, Case{"", 30'000}}) {
        TestProgram p;
        p.form.show();
        p.setup().Text3.text = c.delay;
        p.form.cmdCapture.click();
        p.scheduler.run_for(c.active_after_ms - 1);
        EXPECT_FALSE(p.form.motion_active) << c.delay;
        p.scheduler.run_for(1);
        EXPECT_TRUE(p.form.motion_active) << c.delay;
    }
}

TEST_F(ArmingTest, AChangedDelayAppliesToACountAlreadyRunning) {
    f.cmdCapture.click();
    t.scheduler.run_for(12'000);
    t.setup().Text3.text = "10";
    t.scheduler.run_for(1'000);
    EXPECT_TRUE(f.motion_active);
}

TEST_F(ArmingTest, ArmingAgainWhileActiveKeepsTheFlagButNoTriggerFiresDuringTheCount) {
    f.cmdCapture.click();
    t.scheduler.run_for(30'000);
    f.arm_detection();
    EXPECT_TRUE(f.motion_active);
    EXPECT_EQ(f.Label5.caption, "Motion Detect on Delay");
    f.Check1.value = CheckBox::unchecked;
    t.camera.scene = flickering_band(100, 140);
    t.scheduler.run_for(29'000);
    EXPECT_TRUE(t.read_file("motion_log.txt").isEmpty()) << "no trigger while Timer1 runs";
}

TEST(StartUpArming, TheStartUpBoxArmsOnceThreeSecondsAfterLoading) {
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
    EXPECT_FALSE(t.form.Timer2.enabled());
}

}  // namespace
