#include <gtest/gtest.h>

#include <tuple>

#include "machine_fixture.h"

namespace {

const QImage black = solid_frame(qRgb(0, 0, 0));

// One step of the measure on the given difference image.
void measure_step(frmTesting& f, const QImage& difference) {
    f.picResult.set_picture(difference);
    f.motion().Vision_CentreOfMotion(f.picResult);
}

struct MeasureTest : MachineTest {
    void measure(const QImage& difference) { measure_step(f, difference); }
};

// The difference is the exclusive or of the last two frames (the first against the empty
// picture), worked out only when read: whatever happens to the two frames after the step, it
// still shows them as they were, and drawing on it draws on the difference. The newest frame
// becomes the camera picture.
TEST_F(MeasureTest, TheDifferenceIsTheExclusiveOrOfTheFramesOfItsStep) {
    t.camera.frame = solid_frame(qRgb(90, 120, 150));
    t.scheduler.run_for(50);  // the first frame, against the empty camera picture
    EXPECT_EQ(f.picResult.image().pixel(10, 10), qRgb(90, 120, 150));
    const auto grey = [](int v) { return qRgb(v, v, v); };
    struct Case {
        const char* name;
        QRgb before, after, difference;
        std::function<void()> then = [] {};
    };
    const Case cases[] = {
        {"every bit", grey(127), grey(128), grey(255)},
        {"some bits", grey(64), grey(74), grey(10)},
        {"no change", grey(100), grey(100), grey(0)},
        {"the lowest bit", grey(16), grey(17), grey(1)},
        {"each channel on its own", grey(40), qRgb(50, 60, 70), qRgb(40 ^ 50, 40 ^ 60, 40 ^ 70)},
        {"rectangle drawn on the new camera picture", grey(40), grey(50), grey(40 ^ 50),
         [this] { f.Picture3.line(0, 100, 319, 100, colours::red); }},
        {"newer frame in the input picture", grey(40), grey(50), grey(40 ^ 50),
         [this] { f.Picture1.set_picture(solid_frame(qRgb(1, 2, 3))); }},
    };
    for (const Case& c : cases) {
        f.Picture3.set_picture(solid_frame(c.before));
        t.camera.frame = solid_frame(c.after);
        f.motion().Vision_Motion(f.Picture1, f.Picture3, f.picResult);
        c.then();
        EXPECT_EQ(f.picResult.image().pixel(200, 100), c.difference) << c.name;
        EXPECT_EQ(f.Picture3.image().pixel(5, 5), c.after) << c.name;
    }
    f.picResult.line(0, 50, 319, 50, colours::red);
    EXPECT_EQ(f.picResult.image().pixel(200, 50), to_rgb(colours::red));
    EXPECT_EQ(f.picResult.image().pixel(200, 100), grey(40 ^ 50));
}

// Each case changes the points of column 10 (x = 40) only, in a fresh program: a single frame
// of n counted points shows the peak floor(n/3 - n/80).
TEST_F(MeasureTest, OnlyStrictlyInsidePointsWithEveryChannelAboveTenCount) {
    struct Case {
        const char* name;
        std::tuple<qint16, qint16, qint16, qint16> box;  // left, right, top, bottom
        QRgb change;
        int peak;
    };
    const Case cases[] = {
        {"whole default box: 78 rows", {1, 315, 1, 235}, qRgb(11, 11, 11), 25},
        {"channels of exactly 10", {1, 315, 1, 235}, qRgb(10, 10, 10), 0},
        {"one channel of 10", {1, 315, 1, 235}, qRgb(255, 11, 10), 0},
        {"left edge on the column", {40, 315, 1, 235}, qRgb(200, 200, 200), 0},
        {"left edge just before it", {39, 315, 1, 235}, qRgb(200, 200, 200), 25},
        {"right edge on the column", {1, 40, 1, 235}, qRgb(200, 200, 200), 0},
        {"top and bottom edges on rows: 9 rows", {1, 315, 30, 60}, qRgb(200, 200, 200), 2},
        {"dragged right to left", {315, 1, 1, 235}, qRgb(200, 200, 200), 0},
        {"dragged bottom to top", {1, 315, 235, 1}, qRgb(200, 200, 200), 0},
    };
    for (const Case& c : cases) {
        ShownProgram p;
        std::tie(p.form.box_left, p.form.box_right, p.form.box_top, p.form.box_bottom) = c.box;
        measure_step(p.form, with_pixels(black, column_points(10, 1, 79), c.change));
        EXPECT_EQ(p.form.Label9.caption, QString::number(c.peak)) << c.name;
    }
}

// 30 changed points in one column: mean 30/80; bars floor(30/3 - 0.375), floor(60/3 - 0.375),
// floor(90/3 - 0.375), red while disarmed and green while armed (here settling, so nothing
// fires). A frame without any change then shows what the smoothing holds (60/3) and leaves it,
// and the graph, as they were.
TEST_F(MeasureTest, ColumnsAreSmoothedOverThreeFramesAndAStillFrameLeavesThemAlone) {
    f.Option1.set_value(true);  // the threshold line stays where it is
    const QImage difference = with_pixels(black, column_points(20, 1, 30), qRgb(255, 255, 255));
    for (int peak : {9, 19, 29}) {
        f.motion_active = peak == 29;
        f.Timer1.set_enabled(peak == 29);
        measure(difference);
        EXPECT_EQ(f.Label9.caption, QString::number(peak));
        EXPECT_EQ(f.Picture2.image().pixel(80, f.Picture2.image().height() - 2),
                  peak == 29 ? qRgb(0, 255, 0) : qRgb(255, 0, 0));
    }
    const QImage graph_before = f.Picture2.image().copy();
    for (int frame = 0; frame < 3; ++frame) {
        measure(black);
        EXPECT_EQ(f.Label9.caption, "20") << "still frame " << frame;
    }
    EXPECT_EQ(f.Picture2.image(), graph_before);
}

// The automatic modes put the threshold (16 - slider) a fixed height above the average peak of
// the last 600 frames, which starts at 9; Auto Off leaves it to the user.
TEST_F(MeasureTest, TheAutomaticModesSetTheSliderFromThePeakHistory) {
    struct Case {
        OptionButton* option;
        int moving_frames;  // before a still one
        int slider;
    };
    const Case cases[] = {
        {&f.Option2, 0, 1},  {&f.Option4, 0, 3},
        {&f.Option3, 0, 5},  {&f.Option1, 0, 12},  // left where the user put it
        {&f.Option2, 30, 0},                       // an average of 12: the slider's minimum
    };
    const QImage moving = with_pixels(black, column_points(20, 1, 79), qRgb(255, 255, 255));
    for (const Case& c : cases) {
        c.option->set_value(true);
        f.Slider1.set_value(12);
        for (int frame = 0; frame < c.moving_frames; ++frame) measure(moving);
        measure(black);
        EXPECT_EQ(f.Slider1.value, c.slider) << c.option->caption.toStdString();
    }
}

// Three frames, armed for the last: a peak equal to the threshold does not fire and one more
// does; a last frame without any change never fires, whatever the smoothing still holds.
TEST(Measure, OnlyAPeakAboveTheThresholdInAFrameWithChangeFires) {
    struct Case {
        std::array<int, 3> changed_points;  // in one column, frame by frame
        int peak;
        bool fires;
    };
    for (const Case& c : {Case{{11, 11, 11}, 10, false}, Case{{12, 12, 12}, 11, true},
                          Case{{60, 60, 0}, 40, false}}) {
        ShownProgram p;
        p.form.Check1.value = CheckBox::unchecked;
        p.form.Option1.set_value(true);
        p.form.Slider1.set_value(6);  // threshold height 16 - 6 = 10
        for (int frame = 0; frame < 3; ++frame) {
            p.form.motion_active = frame == 2;
            measure_step(p.form, with_pixels(black, column_points(30, 1, c.changed_points[frame]),
                                             qRgb(99, 99, 99)));
        }
        EXPECT_EQ(p.form.Label9.caption, QString::number(c.peak));
        EXPECT_EQ(!p.form.motion_active, c.fires) << c.changed_points[0];
        EXPECT_EQ(p.read_file("motion_log.txt").isEmpty(), !c.fires);
    }
}

}  // namespace
