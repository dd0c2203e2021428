#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace {

using RectangleTest = MachineTest;

// Mouse events on the camera picture, one after the other on the same window: "d" a press,
// "m" a move, "u" a release, each at x,y in picture units.
TEST_F(RectangleTest, ADragSetsTheCornersAsDraggedRoundedHalfToEven) {
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

TEST_F(RectangleTest, TheRectangleIsDrawnInRedOnEveryNewPicture) {
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

// Only Auto Off leaves the slider to the user; every automatic mode, Auto Med too, moves it.
TEST_F(RectangleTest, SensitivityButtonsDecideWhoMovesTheSlider) {
    EXPECT_FALSE(f.Slider1.enabled) << "Auto Med, the first choice";
    for (OptionButton* option :
         {&f.Option1, &f.Option4, &f.Option1, &f.Option2, &f.Option1, &f.Option3}) {
        option->set_value(true);
        EXPECT_EQ(f.Slider1.enabled, option == &f.Option1) << option->caption.toStdString();
    }
    EXPECT_FALSE(f.Option1.value || f.Option2.value || f.Option4.value) << "one group";
}

TEST_F(RectangleTest, TheSliderMovesTheYellowThresholdLine) {
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
