#include "app/motion_measure.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "controls/picture.h"

namespace motion_measure {
namespace {
int nearest(double value) {
    return static_cast<int>(std::nearbyint(value));
}

// The pixel column of a grid column strictly inside the box, or -1 for one that is not counted.
int sample_column(const Picture& picture, const Box& box, int x) {
    if (!(box.left < x && x < box.right)) return -1;
    const int px = picture.pixel_x(x);
    return px >= 0 && px < picture.pixel_width() ? px : -1;
}

using SampleRows = std::vector<Picture::PixelRow>;

// The sample rows strictly inside the box, found once per frame.
SampleRows sample_rows(const Picture& picture, const Box& box, int row_step) {
    SampleRows rows;
    rows.reserve(grid_divisions);
    for (int j = 1; j < grid_divisions; ++j) {
        const int y = j * row_step;
        if (!(box.top < y && y < box.bottom)) continue;
        const int py = picture.pixel_y(y);
        if (py < 0 || py >= picture.pixel_height()) continue;
        rows.push_back(picture.pixel_row(py));
    }
    return rows;
}

template <typename Row>
void count_row(const Row& row, const Columns& columns, Columns& count) {
    for (int i = 1; i < grid_divisions; ++i) {
        if (columns[i] >= 0) count[i] += changed(row[columns[i]]);
    }
}
}  // namespace

int grid_step(double scale_extent) {
    return nearest(scale_extent / grid_divisions);
}

bool changed(QRgb difference) {
    return qRed(difference) > channel_threshold && qGreen(difference) > channel_threshold &&
           qBlue(difference) > channel_threshold;
}

// The sample rows are read one after the other, each along its length, which is kind to the
// memory caches.
Columns count_changes(const Picture& difference, const Box& box) {
    const int column_step = grid_step(difference.scale_width());
    Columns columns{};
    Columns count{};
    int first = difference.pixel_width(), last = -1;
    for (int i = 1; i < grid_divisions; ++i) {
        columns[i] = sample_column(difference, box, i * column_step);
        if (columns[i] < 0) continue;
        first = std::min(first, columns[i]);
        last = std::max(last, columns[i]);
    }
    // The rectangle drawn on the camera picture lies on its edges, which are not counted: most
    // rows are read without looking at what is drawn on them.
    for (const Picture::PixelRow& row :
         sample_rows(difference, box, grid_step(difference.scale_height()))) {
        if (row.drawn_between(first, last)) {
            count_row(row, columns, count);
        } else {
            count_row(row.lines, columns, count);
        }
    }
    return count;
}

double mean_change(const Columns& count) {
    return std::accumulate(count.begin() + 1, count.end(), 0) / 80.0;
}

Bars smooth(const Columns& count, const Columns& newer, const Columns& older, double mean) {
    Bars bars;
    for (int i = 1; i < grid_divisions; ++i) {
        const int bar = static_cast<int>(std::floor((count[i] + newer[i] + older[i]) / 3.0 - mean));
        bars.peak = std::max(bars.peak, bar);
        bars.height[i] = std::max(bar, 0);
    }
    return bars;
}

// The sum is held at 32000 once above 30000, as the counter it was first kept in allowed.
int add_peak(PeakHistory& history, int peak) {
    std::copy(history.begin() + 2, history.begin() + history_length + 1, history.begin() + 1);
    int sum = std::accumulate(history.begin() + 1, history.begin() + history_length, 0);
    history[history_length] = static_cast<quint8>(peak);
    if (sum > 30000) sum = 32000;
    return nearest((sum + peak) / 600.0);
}

int automatic_slider(Sensitivity sensitivity, int slider_top, int peak_average) {
    switch (sensitivity) {
        case Sensitivity::low:
            return slider_top - (peak_average + 6);
        case Sensitivity::medium:
            return slider_top - (peak_average + 4);
        case Sensitivity::high:
            return slider_top - (peak_average + 2);
        case Sensitivity::none:
        case Sensitivity::off:
            break;
    }
    return 0;
}

bool fires(double mean, bool armed, bool settling, int threshold_height, int peak) {
    return mean > 0 && armed && threshold_height < peak && !settling;
}

}  // namespace motion_measure
