#include <cmath>
#include <limits>

#include "app/class_motion.h"
#include "app/frm_testing.h"

namespace {
// Mouse positions become whole numbers, a half going to the even neighbour. Positions far
// outside the picture (a drag that left it) are kept, within what the edges can hold.
qint16 to_edge(double position) {
    const double rounded = std::nearbyint(position);
    if (!(rounded >= std::numeric_limits<qint16>::min())) return std::numeric_limits<qint16>::min();
    if (rounded > std::numeric_limits<qint16>::max()) return std::numeric_limits<qint16>::max();
    return static_cast<qint16>(rounded);
}
}  // namespace

// One detection step: difference image, measure (which may fire the alarm), then the watched
// rectangle over the new camera picture.
void frmTesting::timMotion_Timer() {
    ClassMotion& engine = motion();
    engine.Vision_Motion(Picture1, Picture3, picResult);
    engine.Vision_CentreOfMotion(picResult);
    Picture3.line(box_left, box_top, box_left, box_bottom, colours::red);
    Picture3.line(box_left, box_top, box_right, box_top, colours::red);
    Picture3.line(box_right, box_top, box_right, box_bottom, colours::red);
    Picture3.line(box_left, box_bottom, box_right, box_bottom, colours::red);
}

void frmTesting::Picture3_MouseDown(double x, double y) {
    if (dragging) return;
    box_left = box_right = to_edge(x);
    box_top = box_bottom = to_edge(y);
    dragging = true;
}

void frmTesting::Picture3_MouseMove(double x, double y) {
    if (!dragging) return;
    box_right = to_edge(x);
    box_bottom = to_edge(y);
}

// A click without movement watches the whole picture.
void frmTesting::Picture3_MouseUp(double /*x*/, double /*y*/) {
    dragging = false;
    if (box_left == box_right && box_top == box_bottom) {
        box_left = 0;
        box_right = static_cast<qint16>(Picture3.scale_width());
        box_top = 0;
        box_bottom = static_cast<qint16>(Picture3.scale_height());
    }
}

// "Auto Off" hands the threshold to the user; the automatic modes move the slider themselves.
void frmTesting::Option1_Click() {
    if (Option1.value) Slider1.enabled = true;
}

void frmTesting::Option2_Click() {
    if (Option2.value) Slider1.enabled = false;
}

void frmTesting::Option3_Click() {
    if (Option3.value) Slider1.enabled = false;
}

void frmTesting::Option4_Click() {
    if (Option4.value) Slider1.enabled = false;
}

// Every change of the slider's value, the automatic ones too, moves the threshold line.
void frmTesting::Slider1_Change() {
    const int v = Slider1.value;
    Picture2.line(0, v, Picture2.scale_width(), v, colours::yellow);
    Picture2.line(0, slider_line, Picture2.scale_width(), slider_line, colours::black);
    slider_line = v;
}
