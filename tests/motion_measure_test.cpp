#include <gtest/gtest.h>

#include "frames.h"
#include "test_program.h"

namespace {

struct MeasureTest : ::testing::Test {
    void SetUp() override { f.show(); }
    void measure(const QImage& difference) {
        f.picResult.set_picture(difference);
        f.motion().Vision_CentreOfMotion(f.picResult);
    }
    TestProgram t;
    frmTesting& f = t.form;
    const QImage black = solid_frame(qRgb(0, 0, 0));
};

TEST_F(MeasureTest, TheDifferenceIsTheExclusiveOrOfTheLastTwoFrames) {
    struct Case {
        int before, after, expected;
    };
    for (const Case& c :
         {Case{127, 128, 255}, Case{64, 74, 10}, Case{100, 100, 0}, Case{16, 17, 1}}) {
        f.Picture3.set_picture(solid_frame(qRgb(c.before, c.before, c.before)));
        t.camera.frame = solid_frame(qRgb(c.after, c.after, c.after));
        f.motion().Vision_Motion(f.Picture1, f.Picture3, f.picResult);
        const QRgb d = f.picResult.image().pixel(200, 100);
        EXPECT_EQ((std::array<int, 3>{qRed(d), qGreen(d), qBlue(d)}),
                  (std::array<int, 3>{c.expected, c.expected, c.expected}))
            << c.before << " to " << c.after;
        EXPECT_EQ(f.Picture3.image().pixel(5, 5), qRgb(c.after, c.after, c.after))
            << "the newest frame becomes the camera picture";
    }
}

// The difference image is worked out only when read: whatever happens to the two frames after
// the step, it still shows the two frames as they were, and drawing on it draws on the difference.
TEST_F(MeasureTest, TheDifferenceKeepsTheFramesOfItsStep) {
    const QRgb before = qRgb(40, 40, 40), after = qRgb(50, 60, 70);
    const QRgb expected = qRgb(40 ^ 50, 40 ^ 60, 40 ^ 70);
    struct Case {
        const char* name;
        std::function<void()> then;
        QPoint at;
        QRgb seen;
    };
    for (const Case& c : {
             Case{"frames left alone", [] {}, {200, 100}, expected},
             Case{"rectangle drawn on the new camera picture",
                  [this] { f.Picture3.line(0, 100, 319, 100, colours::red); },
                  {200, 100},
                  expected},
             Case{"newer frame in the input picture",
                  [this] { f.Picture1.set_picture(solid_frame(qRgb(1, 2, 3))); },
                  {200, 100},
                  expected},
             Case{"line drawn on the difference itself",
                  [this] { f.picResult.line(0, 50, 319, 50, colours::red); },
                  {200, 50},
                  to_rgb(colours::red)},
         }) {
        f.Picture3.set_picture(solid_frame(before));
        t.camera.frame = solid_frame(after);
        f.motion().Vision_Motion(f.Picture1, f.Picture3, f.picResult);
        c.then();
        EXPECT_EQ(f.picResult.image().pixel(c.at), c.seen) << c.name;
        EXPECT_EQ(f.picResult.image().pixel(10, 10), expected) << c.name;
    }
}

TEST_F(MeasureTest, TheFirstDifferenceIsTheFirstFrameAgainstTheEmptyPicture) {
    TestProgram fresh;
    fresh.camera.frame = solid_frame(qRgb(90, 120, 150));
    fresh.form.show();
    fresh.scheduler.run_for(50);
    EXPECT_EQ(fresh.form.picResult.image().pixel(10, 10), qRgb(90, 120, 150));
}

// Each case changes the points of column 10 (x = 40) only, in a fresh program: a single frame
// of n counted points shows the peak floor(n/3 - n/80).
TEST_F(MeasureTest, OnlyStrictlyInsidePointsWithEveryChannelAboveTenCount) {
    struct Case {
        const char* name;
        std::array<qint16, 4> box;  // left, right, top, bottom
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
        TestProgram p;
        p.form.show();
        p.form.box_left = c.box[0];
        p.form.box_right = c.box[1];
        p.form.box_top = c.box[2];
        p.form.box_bottom = c.box[3];
        p.form.picResult.set_picture(with_pixels(black, column_points(10, 1, 79), c.change));
        p.form.motion().Vision_CentreOfMotion(p.form.picResult);
        EXPECT_EQ(p.form.Label9.caption, QString::number(c.peak)) << c.name;
    }
}

// 30 changed points in one column: mean 30/80; bars floor(30/3 - 0.375), floor(60/3 - 0.375),
// floor(90/3 - 0.375). A frame without any change then shows what the smoothing holds (60/3)
// and leaves it, and the graph, as they were.
TEST_F(MeasureTest, ColumnsAreSmoothedOverThreeFramesAndAStillFrameLeavesThemAlone) {
    f.Option1.set_value(true);  // the threshold line stays where it is
    const QImage difference = with_pixels(black, column_points(20, 1, 30), qRgb(255, 255, 255));
    for (int peak : {9, 19, 29}) {
        measure(difference);
        EXPECT_EQ(f.Label9.caption, QString::number(peak));
    }
    const QImage graph_before = f.Picture2.image().copy();
    for (int frame = 0; frame < 3; ++frame) {
        measure(black);
        EXPECT_EQ(f.Label9.caption, "20") << "still frame " << frame;
    }
    EXPECT_EQ(f.Picture2.image(), graph_before);
}

TEST_F(MeasureTest, BarsAreRedWhileDisarmedAndGreenWhileArmed) {
    const QImage difference = with_pixels(black, column_points(20, 1, 60), qRgb(255, 255, 255));
    const int x = 80, y = f.Picture2.image().height() - 2;
    measure(difference);
    EXPECT_EQ(f.Picture2.image().pixel(x, y), qRgb(255, 0, 0));
    f.motion_active = true;
    f.Timer1.set_enabled(true);  // settling: no trigger, but the bars show the armed colour
    measure(difference);
    EXPECT_EQ(f.Picture2.image().pixel(x, y), qRgb(0, 255, 0));
}

// The automatic modes put the threshold (16 - slider) a fixed height above the average peak of
// the last 600 frames; Auto Off leaves it to the user.
TEST_F(MeasureTest, TheAutomaticModesSetTheSliderFromThePeakHistory) {
    struct Case {
        OptionButton* option;
        int history;  // every entry of the peak history
        int slider;
    };
    const Case cases[] = {
        {&f.Option2, 9, 1},  {&f.Option4, 9, 3},
        {&f.Option3, 9, 5},  {&f.Option1, 9, 12},  // left where the user put it
        {&f.Option2, 40, 0},                       // below the slider's range: its minimum
    };
    for (const Case& c : cases) {
        c.option->set_value(true);
        f.Slider1.set_value(12);
        std::fill(f.motion_history.begin() + 1, f.motion_history.begin() + 601, c.history);
        measure(black);
        EXPECT_EQ(f.Slider1.value, c.slider)
            << c.option->caption.toStdString() << " at " << c.history;
    }
}

TEST_F(MeasureTest, APeakEqualToTheThresholdDoesNotFireAndOneMoreDoes) {
    struct Case {
        int changed_points;  // smoothed over three equal frames the peak is one less
        bool fires;
    };
    for (const Case& c : {Case{11, false}, Case{12, true}}) {
        TestProgram p;
        p.form.show();
        p.form.Check1.value = CheckBox::unchecked;
        p.form.Option1.set_value(true);
        p.form.Slider1.set_value(6);  // threshold height 16 - 6 = 10
        p.form.picResult.set_picture(
            with_pixels(black, column_points(30, 1, c.changed_points), qRgb(99, 99, 99)));
        for (int frame = 0; frame < 3; ++frame) {
            p.form.motion_active = frame == 2;  // armed for the third frame only
            p.form.motion().Vision_CentreOfMotion(p.form.picResult);
        }
        EXPECT_EQ(p.form.Label9.caption, QString::number(c.changed_points - 1));
        EXPECT_EQ(!p.form.motion_active, c.fires) << c.changed_points;
        EXPECT_EQ(p.read_file("motion_log.txt").isEmpty(), !c.fires);
    }
}

TEST_F(MeasureTest, AFrameWithoutAnyChangeNeverFiresWhateverTheSmoothingHolds) {
    f.Check1.value = CheckBox::unchecked;
    const QImage motion = with_pixels(black, column_points(30, 1, 60), qRgb(255, 255, 255));
    measure(motion);  // left over from the last motion
    measure(motion);
    f.motion_active = true;
    measure(black);
    EXPECT_EQ(f.Label9.caption, "40");
    EXPECT_TRUE(f.motion_active);
    EXPECT_TRUE(t.read_file("motion_log.txt").isEmpty());
}

}  // namespace
