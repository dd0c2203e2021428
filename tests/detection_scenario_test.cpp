#include <gtest/gtest.h>

#include "frames.h"
#include "test_program.h"

namespace {

// The whole detection path in virtual time: a still room, the left half watched, motion on the
// right ignored, motion on the left firing once detection has settled.
TEST(DetectionScenario, MotionInsideTheRectangleFiresAndOutsideIsIgnored) {
    TestProgram t;
    frmTesting& f = t.form;
    const QImage room = solid_frame(qRgb(0, 0, 0));
    t.camera.frame = room;
    f.show();
    f.Check1.set_value(CheckBox::unchecked);  // no call: detection settles again after a trigger

    f.Picture3_MouseDown(10, 10);
    f.Picture3_MouseMove(150, 230);
    f.Picture3_MouseUp(150, 230);

    std::vector<std::pair<qint64, int>> triggers;  // when, and the peak that fired
    QString status = f.Label5.caption;
    t.scheduler.after_event = [&] {
        if (f.Label5.caption != status && f.Label5.caption == "Motion Detect on Delay" &&
            f.cmdStop.enabled && !f.motion_active && status == "Motion Detect Active")
            triggers.emplace_back(t.scheduler.now_ms(), f.Label9.caption.toInt());
        status = f.Label5.caption;
    };

    f.cmdCapture.click();
    t.scheduler.run_for(30'000);
    EXPECT_EQ(f.Label5.caption, "Motion Detect Active");

    t.camera.scene = flickering_band(200, 240);
    t.scheduler.run_for(60'000);
    EXPECT_TRUE(triggers.empty()) << "motion outside the rectangle";
    EXPECT_EQ(f.Label5.caption, "Motion Detect Active");

    t.camera.scene = flickering_band(60, 100);
    t.scheduler.run_for(1'000);
    ASSERT_EQ(triggers.size(), 1u);
    EXPECT_EQ(triggers[0].first, 90'050) << "the first tick that sees the motion";
    // Eleven columns (x = 60..100) of 73 changed rows (y = 12..228): mean 803/80, first bar
    // floor(73/3 - 10.0375) = 14.
    EXPECT_EQ(triggers[0].second, 14);
    EXPECT_TRUE(f.Timer1.enabled()) << "settling again";

    const QString log = QString::fromLocal8Bit(t.read_file("motion_log.txt"));
    EXPECT_TRUE(log.startsWith("Pic070315142430.JPG  3/15/2007  2:24:30 PM\r\n")) << log.toStdString();

    t.camera.scene = {};
    t.camera.frame = room;
    t.scheduler.run_for(30'000);
    EXPECT_EQ(f.Label5.caption, "Motion Detect Active");
    EXPECT_EQ(triggers.size(), 1u);
}

}  // namespace
