#include <gtest/gtest.h>

#include "frames.h"
#include "test_program.h"

namespace {

struct RectangleTest : ::testing::Test {
    void SetUp() override { f.show(); }
    std::array<int, 4> box() const { return {f.box_left, f.box_right, f.box_top, f.box_bottom}; }
    TestProgram t;
    frmTesting& f = t.form;
};

TEST_F(RectangleTest, ADragSetsTheCornersAsDraggedRoundedHalfToEven) {
    struct Case {
        const char* name;
        QPointF down, move;
        std::array<int, 4> expected;
    };
    const Case cases[] = {
        {"top left to bottom right", {20, 30}, {200, 150}, {20, 200, 30, 150}},
        {"bottom right to top left", {200, 150}, {20, 30}, {200, 20, 150, 30}},
        {"halves go to the even neighbour", {10.5, 11.5}, {100.5, 101.5}, {10, 100, 12, 102}},
        {"leaving the picture", {300, 200}, {400, -20}, {300, 400, 200, -20}},
    };
    for (const Case& c : cases) {
        f.Picture3_MouseDown(c.down.x(), c.down.y());
        f.Picture3_MouseMove(c.move.x(), c.move.y());
        f.Picture3_MouseUp(c.move.x(), c.move.y());
        EXPECT_EQ(box(), c.expected) << c.name;
    }
}

TEST_F(RectangleTest, AClickWithoutMovementWatchesTheWholePicture) {
    f.Picture3_MouseDown(50, 60);
    f.Picture3_MouseUp(50, 60);
    EXPECT_EQ(box(), (std::array<int, 4>{0, 320, 0, 240}));
}

TEST_F(RectangleTest, APressDuringADragChangesNothing) {
    f.Picture3_MouseDown(10, 10);
    f.Picture3_MouseMove(50, 50);
    f.Picture3_MouseDown(90, 90);
    f.Picture3_MouseMove(60, 70);
    f.Picture3_MouseUp(60, 70);
    EXPECT_EQ(box(), (std::array<int, 4>{10, 60, 10, 70}));
}

TEST_F(RectangleTest, MovesWithoutAPressChangeNothing) {
    f.Picture3_MouseMove(60, 70);
    EXPECT_EQ(box(), (std::array<int, 4>{1, 315, 1, 235}));
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

TEST_F(RectangleTest, SensitivityButtonsDecideWhoMovesTheSlider) {
    f.Option1.set_value(true);
    EXPECT_TRUE(f.Slider1.enabled);
    f.Option4.set_value(true);
    EXPECT_TRUE(f.Slider1.enabled) << "Auto Med keeps the availability it had";
    f.Option2.set_value(true);
    EXPECT_FALSE(f.Slider1.enabled);
    f.Option1.set_value(true);
    f.Option3.set_value(true);
    EXPECT_FALSE(f.Slider1.enabled);
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
