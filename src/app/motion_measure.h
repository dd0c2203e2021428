#pragma once

#include <QRgb>
#include <array>

class Picture;

// The arithmetic of the motion measure, apart from the window that shows it: which points of the
// difference image count, how each column is smoothed over three frames, and where the automatic
// modes put the threshold. Nothing here draws or keeps state.
namespace motion_measure {

// The picture is sampled on an 80 x 80 grid; columns and rows 1..79 lie inside it.
constexpr int grid_divisions = 80;
// A point counts as changed when every channel of its difference is above this.
constexpr int channel_threshold = 10;
// How many frames of peaks the automatic modes average over (30 seconds).
constexpr int history_length = 600;

// Per grid column, indexed 1..79 (0 is never used).
using Columns = std::array<int, grid_divisions>;
// The peaks of the last frames, indexed 1..history_length, the newest last.
using PeakHistory = std::array<quint8, 801>;

// The watched rectangle in picture units. Its edges are not watched; a rectangle dragged right
// to left or bottom to top watches nothing.
struct Box {
    int left, right, top, bottom;
};

// The distance between grid lines for a picture extent in units: the nearest whole number, a
// half going to the even neighbour.
int grid_step(double scale_extent);

bool changed(QRgb difference);

// Changed sample points per grid column strictly inside the box.
Columns count_changes(const Picture& difference, const Box& box);

// The mean change per column. Divided by 80 although there are 79 columns: the thresholds were
// tuned on this mean.
double mean_change(const Columns& count);

// Each column's bar: its count over this and the two frames before, averaged, less the mean.
struct Bars {
    Columns height{};  // never below zero: what the graph draws
    int peak = 0;      // the tallest bar, 0 when none is above zero
};
Bars smooth(const Columns& count, const Columns& newer, const Columns& older, double mean);

// Adds the frame's peak to the history (the oldest falls out) and gives the average peak the
// automatic modes work from.
int add_peak(PeakHistory& history, int peak);

// The four sensitivity choices; `none` when no button is set.
enum class Sensitivity { none, off, low, medium, high };
// Where an automatic mode puts the slider: a fixed height above the average peak, counted from
// the slider's top. Auto Off never moves it; call only for the others.
int automatic_slider(Sensitivity sensitivity, int slider_top, int peak_average);

// A frame fires when something changed in it at all (a perfectly still picture would otherwise
// fire again from what the smoothing still holds), detection is armed and past its settling
// delay, and the peak rises above the threshold height.
bool fires(double mean, bool armed, bool settling, int threshold_height, int peak);

}  // namespace motion_measure
