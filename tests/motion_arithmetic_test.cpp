#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <tuple>

#include "app/motion_measure.h"
#include "controls/picture.h"
#include "frames.h"

namespace mm = motion_measure;

namespace {

const QImage black = solid_frame(qRgb(0, 0, 0));

mm::Columns one_column(int i, int value) {
    mm::Columns columns{};
    columns[static_cast<size_t>(i)] = value;
    return columns;
}

// The grid is 4 units across and 3 down on the 320 x 240 picture; every column and row strictly
// inside the box counts, a point only when all three channels of its difference are above 10.
// Each case changes the points of column 10 (x = 40), rows 1..79.
TEST(MotionArithmetic, OnlyPointsStrictlyInsideTheBoxWithEveryChannelAboveTenCount) {
    struct Case {
        const char* name;
        mm::Box box;
        QRgb change;
        int counted;
        int elsewhere = 0;  // counted in the other columns
        std::function<void(Picture&)> draw = [](Picture&) {};
    };
    // Row 20 (y = 60) in white, through columns 1..78 of the box (column 79 is on its edge).
    const auto line_across_row_20 = [](Picture& p) { p.line(0, 60, 319, 60, Colour{0xFFFFFF}); };
    const Case cases[] = {
        {"whole default box: 78 rows", {1, 315, 1, 235}, qRgb(11, 11, 11), 78},
        {"channels of exactly 10", {1, 315, 1, 235}, qRgb(10, 10, 10), 0},
        {"blue of 10", {1, 315, 1, 235}, qRgb(255, 11, 10), 0},
        {"green of 10", {1, 315, 1, 235}, qRgb(11, 10, 255), 0},
        {"red of 10", {1, 315, 1, 235}, qRgb(10, 255, 11), 0},
        {"left edge on the column", {40, 315, 1, 235}, qRgb(200, 200, 200), 0},
        {"left edge just before it", {39, 315, 1, 235}, qRgb(200, 200, 200), 78},
        {"right edge on the column", {1, 40, 1, 235}, qRgb(200, 200, 200), 0},
        {"top and bottom edges on rows: 9 rows", {1, 315, 30, 60}, qRgb(200, 200, 200), 9},
        {"dragged right to left", {315, 1, 1, 235}, qRgb(200, 200, 200), 0},
        {"box beyond the picture", {-50, 400, -50, 300}, qRgb(200, 200, 200), 79},
        {"a line drawn over a sample row",
         {1, 315, 1, 235},
         qRgb(0, 0, 0),
         1,
         77,
         line_across_row_20},
        {"a drawn line on changed points",
         {1, 315, 1, 235},
         qRgb(99, 99, 99),
         78,
         77,
         line_across_row_20},
    };
    for (const Case& c : cases) {
        Picture difference(320, 240, 320, 240);
        difference.set_picture(with_pixels(black, column_points(10, 1, 79), c.change));
        c.draw(difference);
        const mm::Columns count = mm::count_changes(difference, c.box);
        EXPECT_EQ(count[10], c.counted) << c.name;
        EXPECT_EQ(std::accumulate(count.begin(), count.end(), 0) - count[10], c.elsewhere)
            << c.name;
    }
}

// Grid lines fall on whole units, a half going to the even neighbour.
TEST(MotionArithmetic, TheGridStepIsTheNearestWholeUnit) {
    const std::pair<double, int> cases[] = {{320, 4}, {240, 3}, {200, 2}, {280, 4}};
    for (auto [extent, step] : cases) EXPECT_EQ(mm::grid_step(extent), step) << extent;
}

// Bars are the three frames' mean count less the mean over all columns (divided by 80), rounded
// down; the graph never shows one below zero, and the peak is the tallest, at least zero.
TEST(MotionArithmetic, ColumnsAreSmoothedOverThreeFramesLessTheMean) {
    struct Case {
        std::array<int, 3> column_20;  // this frame, the one before, the one before that
        int bar_20;
        int peak;
    };
    const Case cases[] = {
        {{30, 0, 0}, 9, 9},  // 10 - 0.375
        {{30, 30, 0}, 19, 19}, {{30, 30, 30}, 29, 29},
        {{0, 30, 30}, 20, 20},  // a still frame: mean 0
        {{3, 0, 0}, 0, 0},      // 1 - 0.0375 rounds down to 0
        {{0, 0, 0}, 0, 0},
    };
    for (const Case& c : cases) {
        const mm::Columns count = one_column(20, c.column_20[0]);
        const mm::Bars bars = mm::smooth(count, one_column(20, c.column_20[1]),
                                         one_column(20, c.column_20[2]), mm::mean_change(count));
        EXPECT_EQ(bars.height[20], c.bar_20) << c.column_20[0] << c.column_20[1];
        EXPECT_EQ(bars.peak, c.peak) << c.column_20[0] << c.column_20[1];
        EXPECT_EQ(bars.height[21], 0);
    }
    // Every column below the mean: nothing drawn, and the peak stays at zero.
    mm::Columns even{};
    even.fill(8);
    const mm::Bars low = mm::smooth(even, {}, {}, 5.0);
    EXPECT_EQ(low.peak, 0);
    EXPECT_EQ(*std::max_element(low.height.begin(), low.height.end()), 0);
    EXPECT_EQ(mm::mean_change(even), 79 * 8 / 80.0) << "column 0 is not a column";
}

// The automatic modes average the last 600 peaks; a history whose sum passes 30000 counts as
// 32000; a peak above 255 is kept in a byte but counted whole in its own frame.
TEST(MotionArithmetic, ThePeakHistoryKeepsTheLast600AndItsAverage) {
    struct Case {
        const char* name;
        int fill;  // every entry before but the oldest (200) and the newest (7)
        int peak;
        int average;
        int kept;
    };
    const Case cases[] = {
        {"start: all 9", 9, 9, 9, 9},  // (598 * 9 + 7 + 9) / 600 = 8.997
        {"a peak of 12 among 9s", 9, 12, 9, 12},
        {"half goes to the even 10", 9, 311, 10, 311 - 256},  // 5700 / 600 = 9.5
        {"a sum held at 32000", 60, 0, 53, 0},                // 598 * 60 + 7 > 30000
        {"just below the hold", 50, 50, 50, 50},              // 29957 / 600
    };
    for (const Case& c : cases) {
        mm::PeakHistory history{};
        std::fill(history.begin() + 1, history.begin() + 601, static_cast<quint8>(c.fill));
        history[1] = 200;  // the oldest, which falls out
        history[600] = 7;  // the newest before this frame
        EXPECT_EQ(mm::add_peak(history, c.peak), c.average) << c.name;
        EXPECT_EQ(history[600], c.kept) << c.name;
        EXPECT_EQ(history[599], 7) << c.name;
        EXPECT_EQ(history[1], c.fill) << c.name;
    }
}

// The slider is counted from its top: the threshold sits 6, 4 or 2 above the average peak.
TEST(MotionArithmetic, TheAutomaticModesPutTheSliderAboveTheAveragePeak) {
    using S = mm::Sensitivity;
    const std::tuple<S, int, int> cases[] = {
        {S::low, 9, 1},   {S::medium, 9, 3}, {S::high, 9, 5},
        {S::high, 0, 14}, {S::low, 12, -2},  {S::none, 9, 0},
    };
    for (auto [sensitivity, average, slider] : cases)
        EXPECT_EQ(mm::automatic_slider(sensitivity, 16, average), slider)
            << static_cast<int>(sensitivity) << " " << average;
}

// Only a frame with change, armed and settled, whose peak rises above the threshold height fires.
TEST(MotionArithmetic, OnlyAPeakAboveTheThresholdInAFrameWithChangeFiresWhenArmed) {
    struct Case {
        const char* name;
        double mean;
        bool armed, settling;
        int threshold_height, peak;
        bool fires;
    };
    const Case cases[] = {
        {"above", 0.4, true, false, 10, 11, true},
        {"equal", 0.4, true, false, 10, 10, false},
        {"still frame", 0.0, true, false, 10, 40, false},
        {"disarmed", 0.4, false, false, 10, 40, false},
        {"settling", 0.4, true, true, 10, 40, false},
        {"slider at the top", 0.4, true, false, 0, 1, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mm::fires(c.mean, c.armed, c.settling, c.threshold_height, c.peak), c.fires)
            << c.name;
}

}  // namespace
