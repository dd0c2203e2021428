#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <QFile>

#include "sim/simulated_webcam.h"
#include "test_program.h"
#include "windows/camera_settings_file.h"
#include "windows/video_format_dialog.h"
#include "windows/video_settings_dialog.h"

namespace {

// The program on a USB webcam, started again in the same folder when a test asks.
struct CameraDialogsTest : ::testing::Test {
    CameraDialogsTest() { start(); }
    void start() {
        t = std::make_unique<TestProgram>(folder.path());
        t->camera.device_behind = &webcam;
        t->form.show();
    }
    VideoFormatDialog& format() { return t->program.video_format(); }
    VideoSettingsDialog& settings() { return t->program.video_settings(); }
    int opens() const { return int(t->journal.texts().filter("camera open").size()); }

    SimulatedWebcam webcam;
    QTemporaryDir folder;  // outlives each program in it
    std::unique_ptr<TestProgram> t;
};

TEST_F(CameraDialogsTest, SourcesThatAreNotCamerasSaySoInsteadOfADialog) {
    t->camera.device_behind = nullptr;
    t->form.mnuFormat.click();
    t->form.mnuSettings.click();
    EXPECT_EQ(
        t->journal.texts().filter("message "),
        (QStringList{"message This picture source is not a camera: it has no video format.",
                     "message This picture source is not a camera: it has no video settings."}));
    EXPECT_FALSE(t->program.has_video_format() || t->program.has_video_settings());
}

// The dialog offers the first device's modes; Cancel changes nothing, an unchanged format leaves
// the camera running and a new one reopens it; without any camera, OK changes nothing. The choices
// are kept for the next start, when the device has forgotten them.
TEST_F(CameraDialogsTest, ChoicesReachTheDeviceAndSurviveARestart) {
    const int opens_before = opens();
    t->form.mnuFormat.click();
    ASSERT_TRUE(format().visible);
    ASSERT_EQ(format().devices.size(), 2u);
    EXPECT_EQ(format().device_index, 0);
    EXPECT_EQ(format().mode_index, -1);  // automatic
    EXPECT_EQ(format().modes(), webcam.usb_webcam.modes);
    format().choose_device(1);  // the modes follow, as the widgets' test shows
    format().Cancel_Click();
    EXPECT_FALSE(format().visible);
    EXPECT_EQ(webcam.chosen.path, "");
    EXPECT_FALSE(QFile::exists(camera_settings_file::path_in(t->app_folder)));
    webcam.plugged.clear();
    t->form.mnuFormat.click();
    EXPECT_TRUE(format().devices.empty());
    EXPECT_EQ(format().note, "No camera found: plug one in and open this again.");
    format().OK_Click();
    EXPECT_EQ(webcam.chosen.path, "");
    webcam.plugged = {webcam.usb_webcam, webcam.mjpeg_only};
    t->form.mnuFormat.click();
    format().OK_Click();
    EXPECT_EQ(opens(), opens_before);
    t->form.mnuFormat.click();
    format().choose_device(1);
    format().choose_mode(1);
    format().OK_Click();
    EXPECT_EQ(opens(), opens_before + 1);
    EXPECT_TRUE(t->camera.is_open);
    t->form.mnuSettings.click();
    settings().set_value(V4L2_CID_BRIGHTNESS, 90);
    settings().set_value(V4L2_CID_EXPOSURE_AUTO, 1);
    settings().set_value(V4L2_CID_EXPOSURE_ABSOLUTE, 250);
    settings().Close_Click();
    EXPECT_FALSE(settings().visible);

    t.reset();
    webcam = SimulatedWebcam();  // unplugged and plugged in again: the driver's defaults
    start();
    EXPECT_EQ(webcam.chosen.path, "/dev/video2");
    EXPECT_EQ(webcam.chosen.mode, webcam.mjpeg_only.modes[1]);
    EXPECT_EQ(webcam.at(V4L2_CID_BRIGHTNESS).value, 90);
    EXPECT_EQ(webcam.at(V4L2_CID_EXPOSURE_AUTO).value, 1);
    EXPECT_EQ(webcam.at(V4L2_CID_EXPOSURE_ABSOLUTE).value, 250);
    t->form.mnuFormat.click();
    EXPECT_EQ(format().device_index, 1);
    EXPECT_EQ(format().mode_index, 1);
}

// The device takes what it can; Defaults puts back every control, also those an automatic
// one ruled.
TEST_F(CameraDialogsTest, SettingsShowTheDriversControlsAndChangeTheDevice) {
    t->form.mnuSettings.click();
    ASSERT_TRUE(settings().visible);
    ASSERT_EQ(settings().controls.size(), webcam.device_controls.size());
    const auto value_shown = [this](unsigned id) {
        for (const CameraControl& c : settings().controls)
            if (c.id == id) return c.value;
        return -1;
    };
    struct Change {
        unsigned id;
        int value;
        int shown;  // what the device took
    };
    for (const Change& c :
         {Change{V4L2_CID_BRIGHTNESS, 200, 200},
          Change{V4L2_CID_BRIGHTNESS, 999, 200},         // out of range: refused
          Change{V4L2_CID_EXPOSURE_ABSOLUTE, 300, 166},  // auto rules it
          Change{V4L2_CID_EXPOSURE_AUTO, 1, 1}, Change{V4L2_CID_EXPOSURE_ABSOLUTE, 300, 300}}) {
        settings().set_value(c.id, c.value);
        EXPECT_EQ(value_shown(c.id), c.shown) << std::hex << c.id << " to " << std::dec << c.value;
        EXPECT_EQ(webcam.at(c.id).value, c.shown);
    }
    settings().Defaults_Click();
    for (const CameraControl& c : settings().controls) {
        EXPECT_EQ(c.value, c.default_value) << c.name.toStdString();
        EXPECT_EQ(webcam.at(c.id).value, c.default_value) << c.name.toStdString();
    }
}

TEST(CameraSettingsFile, KeepsWhatItIsGivenAndIgnoresWhatItCannotRead) {
    QTemporaryDir folder;
    const QString path = camera_settings_file::path_in(folder.path());
    const CameraChoice choice{"/dev/video4",
                              CameraMode{"YUYV", 320, 240, 30000, 1001},
                              {{V4L2_CID_GAIN, -3}, {V4L2_CID_SHARPNESS, 7}}};
    ASSERT_TRUE(camera_settings_file::save(path, choice));
    const CameraChoice back = camera_settings_file::load(path);
    EXPECT_TRUE(back.path == choice.path && back.mode == choice.mode &&
                back.controls == choice.controls);

    ASSERT_TRUE(
        write_file(path, "[mode]\nformat=MJPG\nwidth=abc\n[controls]\nx=1\n12=y\n9963776=5\n"));
    const CameraChoice damaged = camera_settings_file::load(path);
    EXPECT_FALSE(damaged.mode);
    EXPECT_EQ(damaged.controls, (std::map<unsigned, int>{{9963776u, 5}}));
}

}  // namespace
