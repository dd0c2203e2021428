#include <cmath>
#include <numeric>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "controls/picture.h"

namespace {
// The nearest whole number, a half going to the even neighbour.
int nearest(double value) {
    return static_cast<int>(std::nearbyint(value));
}

bool changed(QRgb rgb) {
    constexpr int limit = ClassMotion::channel_threshold;
    return qRed(rgb) > limit && qGreen(rgb) > limit && qBlue(rgb) > limit;
}
}  // namespace

// The pixel column of a grid column strictly inside the watched rectangle, or -1 for a column
// that is not counted.
int ClassMotion::sample_column(const Picture& canvas, int x) const {
    const frmTesting& f = form_;
    if (!(f.box_left < x && x < f.box_right)) return -1;
    const int px = canvas.pixel_x(x);
    return px >= 0 && px < canvas.pixel_width() ? px : -1;
}

// Changed sample points per grid column inside the rectangle (edges excluded). The sample rows
// are read one after the other, each along its length, which is kind to the memory caches.
void ClassMotion::count_columns(const Picture& canvas, int column_step, const SampleRows& rows) {
    Columns columns{};
    int first = canvas.pixel_width(), last = -1;
    for (int i = 1; i < grid_divisions; ++i) {
        columns[i] = sample_column(canvas, i * column_step);
        column_count[i] = 0;
        if (columns[i] < 0) continue;
        first = std::min(first, columns[i]);
        last = std::max(last, columns[i]);
    }
    // The rectangle drawn on the camera picture lies on its edges, which are not counted: most
    // rows are read without looking at what is drawn on them.
    for (const Picture::PixelRow& row : rows) {
        if (row.drawn_between(first, last)) {
            count_row(row, columns);
        } else {
            count_row(row.lines, columns);
        }
    }
}

template <typename Row>
void ClassMotion::count_row(const Row& row, const Columns& columns) {
    for (int i = 1; i < grid_divisions; ++i) {
        if (columns[i] >= 0) column_count[i] += changed(row[columns[i]]);
    }
}

// The sample rows strictly inside the rectangle, found once per frame.
ClassMotion::SampleRows ClassMotion::sample_rows(const Picture& canvas, int row_step) const {
    const frmTesting& f = form_;
    SampleRows rows;
    rows.reserve(grid_divisions);
    for (int j = 1; j < grid_divisions; ++j) {
        const int y = j * row_step;
        if (!(f.box_top < y && y < f.box_bottom)) continue;
        const int py = canvas.pixel_y(y);
        if (py < 0 || py >= canvas.pixel_height()) continue;
        rows.push_back(canvas.pixel_row(py));
    }
    return rows;
}

void ClassMotion::Vision_CentreOfMotion(Picture& canvas) {
    frmTesting& f = form_;
    const int column_step = nearest(canvas.scale_width() / grid_divisions);
    const int row_step = nearest(canvas.scale_height() / grid_divisions);

    count_columns(canvas, column_step, sample_rows(canvas, row_step));
    const int total = std::accumulate(column_count.begin() + 1, column_count.end(), 0);
    // Divided by 80 although there are 79 columns: the thresholds were tuned on this mean.
    const double mean = total / 80.0;

    const double height = frmTesting::graph_height;
    int peak = 0;
    for (int i = 1; i < grid_divisions; ++i) {
        int bar = static_cast<int>(
            std::floor((column_count[i] + history_newer[i] + history_older[i]) / 3.0 - mean));
        if (bar > peak) peak = bar;
        if (bar < 0) bar = 0;
        f.bar_colour = f.motion_active ? colours::green : colours::red;
        // A frame without any change leaves the graph and the smoothing as they were.
        if (mean > 0) {
            const double x = i * column_step;
            f.Picture2.line(x, height, x, height - last_bar[i], colours::black);
            f.Picture2.line(x, height, x, height - bar, f.bar_colour);
            last_bar[i] = bar;
            history_older[i] = history_newer[i];
            history_newer[i] = column_count[i];
        }
    }

    update_history_and_threshold(peak);

    // A frame in which no sample point changed is no motion, whatever the smoothing still holds
    // from the last frames that had some: a perfectly still picture (a file, a network camera,
    // a frozen device) would otherwise fire again after every settling delay.
    const bool fires =
        mean > 0 && f.motion_active && (height - f.Slider1.value) < peak && !f.Timer1.enabled();
    if (fires) fire_alarm(static_cast<qint16>(peak));
}

// Keeps the last 600 peaks (30 seconds of frames); the automatic modes put the threshold a fixed
// distance above their average.
void ClassMotion::update_history_and_threshold(int peak) {
    frmTesting& f = form_;
    auto& history = f.motion_history;
    const int length = frmTesting::history_length;
    std::copy(history.begin() + 2, history.begin() + length + 1, history.begin() + 1);
    int sum = std::accumulate(history.begin() + 1, history.begin() + length, 0);
    history[length] = static_cast<quint8>(peak);
    if (sum > 30000) sum = 32000;
    const int peak_average = nearest((sum + peak) / 600.0);

    f.Label9.caption = QString::number(peak);

    const int top = f.Slider1.max;
    int threshold = 0;
    if (f.Option2.value) threshold = top - (peak_average + 6);
    if (f.Option4.value) threshold = top - (peak_average + 4);
    if (f.Option3.value) threshold = top - (peak_average + 2);
    if (!f.Option1.value) f.Slider1.set_value(threshold);
}
