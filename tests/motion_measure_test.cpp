#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace {

const QImage black = solid_frame(qRgb(0, 0, 0));

// One step of the measure on the given difference image.
void measure_step(frmTesting& f, const QImage& difference) {
    f.picResult.set_picture(difference);
    f.motion().Vision_CentreOfMotion(f.picResult);
}

using MeasureTest = MachineTest;

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

// 30 changed points in one column: mean 30/80; bars floor(30/3 - 0.375), floor(60/3 - 0.375),
// floor(90/3 - 0.375), red while disarmed and green while armed (here settling, so nothing
// fires, whatever the flag says). A frame without any change then shows what the smoothing holds
// (60/3) and leaves it, and the graph, as they were; armed and settled, it never fires, though
// that peak stands far above the threshold.
TEST_F(MeasureTest, ColumnsAreSmoothedOverThreeFramesAndAStillFrameLeavesThemAlone) {
    f.Option1.set_value(true);  // the threshold line stays where it is
    f.Check1.value = CheckBox::unchecked;
    const QImage difference = with_pixels(black, column_points(20, 1, 30), qRgb(255, 255, 255));
    for (int peak : {9, 19, 29}) {
        f.motion_active = peak == 29;
        f.Timer1.set_enabled(peak == 29);
        measure_step(f, difference);
        EXPECT_EQ(f.Label9.caption, QString::number(peak));
        EXPECT_EQ(f.Picture2.image().pixel(80, f.Picture2.image().height() - 2),
                  peak == 29 ? qRgb(0, 255, 0) : qRgb(255, 0, 0));
    }
    EXPECT_TRUE(t.read_file("motion_log.txt").isEmpty());
    f.Timer1.set_enabled(false);
    f.Slider1.set_value(14);  // a threshold height of 2
    const QImage graph_before = f.Picture2.image().copy();
    for (int frame = 0; frame < 3; ++frame) {
        measure_step(f, black);
        EXPECT_EQ(f.Label9.caption, "20") << "still frame " << frame;
    }
    EXPECT_EQ(f.Picture2.image(), graph_before);
    EXPECT_TRUE(t.read_file("motion_log.txt").isEmpty());
}

// The automatic modes put the threshold (16 - slider) a fixed height above the average peak of
// the last 600 frames, which starts at 9, and keep the slider from the user; Auto Off leaves it
// to the user. The four buttons are one group.
TEST_F(MeasureTest, TheAutomaticModesSetTheSliderFromThePeakHistory) {
    struct Case {
        OptionButton* option;
        int moving_frames;  // before a still one
        int slider;
    };
    const Case cases[] = {
        {&f.Option1, 0, 12}, {&f.Option4, 0, 3}, {&f.Option1, 0, 12}, {&f.Option3, 0, 5},
        {&f.Option1, 0, 12}, {&f.Option2, 0, 1}, {&f.Option2, 30, 0},  // an average of 12: the
                                                                       // slider's minimum
    };
    EXPECT_FALSE(f.Slider1.enabled) << "Auto Med, the first choice";
    const QImage moving = with_pixels(black, column_points(20, 1, 79), qRgb(255, 255, 255));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option->caption.toStdString());
        c.option->set_value(true);
        EXPECT_EQ(f.Slider1.enabled, c.option == &f.Option1);
        EXPECT_EQ(f.Option1.value + f.Option2.value + f.Option3.value + f.Option4.value, 1);
        f.Slider1.set_value(12);
        for (int frame = 0; frame < c.moving_frames; ++frame) measure_step(f, moving);
        measure_step(f, black);
        EXPECT_EQ(f.Slider1.value, c.slider);
    }
}

// Mouse events on the camera picture, one after the other on the same window: "d" a press,
// "m" a move, "u" a release, each at x,y in picture units.
TEST_F(MeasureTest, ADragSetsTheCornersAsDraggedRoundedHalfToEven) {
    struct Case {
        const char* name;
        QString events;
        std::array<int, 4> expected;
    };
    const Case cases[] = {
        {"moves without a press change nothing", "m60,70", {1, 315, 1, 235}},
        {"top left to bottom right", "d20,30 m200,150 u200,150", {20, 200, 30, 150}},
        {"bottom right to top left", "d200,150 m20,30 u20,30", {200, 20, 150, 30}},
        {"halves go to the even neighbour",
         "d10.5,11.5 m100.5,101.5 u100.5,101.5",
         {10, 100, 12, 102}},
        {"leaving the picture", "d300,200 m400,-20 u400,-20", {300, 400, 200, -20}},
        {"a press during a drag changes nothing",
         "d10,10 m50,50 d90,90 m60,70 u60,70",
         {10, 60, 10, 70}},
        {"a click without movement watches the whole picture", "d50,60 u50,60", {0, 320, 0, 240}},
    };
    for (const Case& c : cases) {
        for (const QString& event : c.events.split(' ')) {
            const double x = event.mid(1).section(',', 0, 0).toDouble();
            const double y = event.section(',', 1).toDouble();
            if (event[0] == 'd') f.Picture3_MouseDown(x, y);
            if (event[0] == 'm') f.Picture3_MouseMove(x, y);
            if (event[0] == 'u') f.Picture3_MouseUp(x, y);
        }
        EXPECT_EQ((std::array<int, 4>{f.box_left, f.box_right, f.box_top, f.box_bottom}),
                  c.expected)
            << c.name;
    }
}

TEST_F(MeasureTest, TheRectangleIsDrawnInRedOnEveryNewPicture) {
    f.Picture3_MouseDown(40, 50);
    f.Picture3_MouseMove(120, 90);
    f.Picture3_MouseUp(120, 90);
    t.camera.scene = [](int grab) {
        return solid_frame(grab % 2 ? qRgb(0, 0, 90) : qRgb(0, 90, 0));
    };
    for (int tick = 0; tick < 2; ++tick) {
        t.scheduler.run_for(50);
        const QImage& picture = f.Picture3.image();
        for (QPoint corner : {QPoint(40, 50), QPoint(120, 50), QPoint(40, 90), QPoint(120, 90),
                              QPoint(80, 50), QPoint(40, 70)})
            EXPECT_EQ(picture.pixel(corner), qRgb(255, 0, 0)) << corner.x() << "," << corner.y();
        EXPECT_NE(picture.pixel(80, 70), qRgb(255, 0, 0));
    }
}

TEST_F(MeasureTest, TheSliderMovesTheYellowThresholdLine) {
    const QImage& graph = f.Picture2.image();
    const int px_per_unit = graph.height() / 16;
    f.Option1.set_value(true);
    f.Slider1.set_value(8);
    EXPECT_EQ(graph.pixel(160, 8 * px_per_unit), qRgb(255, 255, 0));
    f.Slider1.set_value(12);
    EXPECT_EQ(graph.pixel(160, 12 * px_per_unit), qRgb(255, 255, 0));
    EXPECT_EQ(graph.pixel(160, 8 * px_per_unit), qRgb(0, 0, 0)) << "the old line is erased";
}

}  // namespace
