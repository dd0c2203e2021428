#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/motion_measure.h"
#include "controls/picture.h"

namespace mm = motion_measure;

namespace {
// The button that decides, when more than one is set, is the one the program looked at last.
mm::Sensitivity sensitivity_of(const frmTesting& f) {
    if (f.Option1.value) return mm::Sensitivity::off;
    if (f.Option3.value) return mm::Sensitivity::high;
    if (f.Option4.value) return mm::Sensitivity::medium;
    if (f.Option2.value) return mm::Sensitivity::low;
    return mm::Sensitivity::none;
}
}  // namespace

void ClassMotion::Vision_CentreOfMotion(Picture& canvas) {
    frmTesting& f = form_;
    const mm::Columns count =
        mm::count_changes(canvas, {f.box_left, f.box_right, f.box_top, f.box_bottom});
    const double mean = mm::mean_change(count);
    const mm::Bars bars = mm::smooth(count, history_newer, history_older, mean);
    f.bar_colour = f.motion_active ? colours::green : colours::red;
    // A frame without any change leaves the graph and the smoothing as they were.
    if (mean > 0) {
        draw_bars(bars, mm::grid_step(canvas.scale_width()));
        history_older = history_newer;
        history_newer = count;
    }

    update_threshold(bars.peak);

    const int threshold_height = frmTesting::graph_height - f.Slider1.value;
    if (mm::fires(mean, f.motion_active, f.Timer1.enabled(), threshold_height, bars.peak))
        fire_alarm(static_cast<qint16>(bars.peak));
}

// Each column's new bar over its old one, which is first wiped in black.
void ClassMotion::draw_bars(const motion_measure::Bars& bars, int column_step) {
    frmTesting& f = form_;
    const double height = frmTesting::graph_height;
    for (int i = 1; i < mm::grid_divisions; ++i) {
        const double x = i * column_step;
        f.Picture2.line(x, height, x, height - last_bar[i], colours::black);
        f.Picture2.line(x, height, x, height - bars.height[i], f.bar_colour);
        last_bar[i] = bars.height[i];
    }
}

// The peak joins the last 30 seconds of them; the automatic modes move the slider from their
// average.
void ClassMotion::update_threshold(int peak) {
    frmTesting& f = form_;
    const int peak_average = mm::add_peak(f.motion_history, peak);
    f.Label9.caption = QString::number(peak);
    const mm::Sensitivity sensitivity = sensitivity_of(f);
    if (sensitivity != mm::Sensitivity::off)
        f.Slider1.set_value(mm::automatic_slider(sensitivity, f.Slider1.max, peak_average));
}
