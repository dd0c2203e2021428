#include <linux/videodev2.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSlider>

#include "desktop/video_format_view.h"
#include "desktop/video_settings_view.h"
#include "desktop_fixture.h"
#include "sim/simulated_webcam.h"
#include "windows/video_format_dialog.h"

namespace {

struct CameraDialogWidgets : DesktopTest {
    SimulatedWebcam webcam;

    CameraDialogWidgets() {
        t.camera.device_behind = &webcam;
        start();
    }
};

// The user picks the MJPEG-only device and its second mode in the lists and presses OK.
TEST_F(CameraDialogWidgets, FormatChosenInTheListsReachesTheDevice) {
    post([this] { f.mnuFormat.click(); });
    VideoFormatView& view = desktop.video_format();
    ASSERT_TRUE(view.isVisible());
    auto* devices = find<QComboBox>(&view, "devices");
    auto* modes = find<QComboBox>(&view, "modes");
    ASSERT_EQ(devices->count(), 2);
    EXPECT_EQ(modes->count(), int(webcam.usb_webcam.modes.size()) + 1);
    devices->activated(1);
    handle();
    EXPECT_EQ(modes->count(), int(webcam.mjpeg_only.modes.size()) + 1);
    modes->activated(2);
    handle();
    click(view.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(webcam.chosen.path, "/dev/video2");
    EXPECT_EQ(webcam.chosen.mode, webcam.mjpeg_only.modes[1]);
}

// A row per control; moving a slider sets the device, and the rows an automatic control
// rules are greyed.
TEST_F(CameraDialogWidgets, SettingsRowsFollowTheDriver) {
    post([this] { f.mnuSettings.click(); });
    VideoSettingsView& view = desktop.video_settings();
    ASSERT_TRUE(view.isVisible());
    const QList<QSlider*> sliders = view.findChildren<QSlider*>();
    ASSERT_EQ(sliders.size(), 7);   // the integer controls
    sliders.first()->setValue(77);  // brightness, the first row
    handle();
    EXPECT_EQ(webcam.at(V4L2_CID_BRIGHTNESS).value, 77);
    const QList<QCheckBox*> boxes = view.findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 1);  // automatic white balance, on
    EXPECT_TRUE(boxes.first()->isChecked());
    EXPECT_FALSE(sliders[4]->isEnabled()) << "white balance temperature, ruled by the automatic";
    click(find<QPushButton>(&view, "Defaults"));
    EXPECT_EQ(sliders.first()->value(), 128);
    click(view.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close));
    EXPECT_FALSE(view.isVisible());
}

}  // namespace
