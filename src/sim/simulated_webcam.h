#pragma once

#include <linux/videodev2.h>

#include <algorithm>

#include "seams/camera_device.h"

// A common USB webcam as its driver describes itself, for trying the camera's dialogs without
// one (the screenshots, the tests): raw YUYV modes that get slow as they get large, MJPEG modes at
// full rate, and the usual controls. Like the driver, it refuses values
// out of range and changes to a control that an automatic one rules for now. A second device
// offers MJPEG only.
class SimulatedWebcam : public CameraDevice {
  public:
    SimulatedWebcam() {
        const auto mode = [](const char* format, int w, int h, int fps, int per = 1) {
            return CameraMode{QString::fromLatin1(format), w, h, fps, per};
        };
        usb_webcam = {
            QStringLiteral("/dev/video0"),
            QStringLiteral("USB Webcam C270"),
            {mode("YUYV", 640, 480, 30), mode("YUYV", 640, 480, 15), mode("YUYV", 160, 120, 30),
             mode("YUYV", 320, 240, 30), mode("YUYV", 1280, 960, 15, 2), mode("MJPG", 640, 480, 30),
             mode("MJPG", 1280, 720, 30), mode("MJPG", 1280, 960, 30)}};
        mjpeg_only = {QStringLiteral("/dev/video2"),
                      QStringLiteral("Integrated Camera"),
                      {mode("MJPG", 1280, 720, 30), mode("MJPG", 640, 360, 30)}};
        plugged = {usb_webcam, mjpeg_only};
        using K = CameraControl::Kind;
        const auto control = [](unsigned id, const char* name, K kind, int min, int max, int step,
                                int def) {
            return CameraControl{
                id, QString::fromLatin1(name), kind, min, max, step, def, def, false, {}};
        };
        device_controls = {
            control(V4L2_CID_BRIGHTNESS, "Brightness", K::integer, 0, 255, 1, 128),
            control(V4L2_CID_CONTRAST, "Contrast", K::integer, 0, 255, 1, 32),
            control(V4L2_CID_SATURATION, "Saturation", K::integer, 0, 255, 1, 32),
            control(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance Temperature, Auto", K::boolean, 0,
                    1, 1, 1),
            control(V4L2_CID_GAIN, "Gain", K::integer, 0, 255, 1, 64),
            control(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", K::menu, 0, 2, 1, 2),
            control(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", K::integer,
                    2800, 10000, 10, 4000),
            control(V4L2_CID_SHARPNESS, "Sharpness", K::integer, 0, 255, 1, 24),
            control(V4L2_CID_EXPOSURE_AUTO, "Exposure, Auto", K::menu, 0, 3, 1, 3),
            control(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure (Absolute)", K::integer, 1, 10000, 1,
                    166),
        };
        at(V4L2_CID_POWER_LINE_FREQUENCY).items = {{0, QStringLiteral("Disabled")},
                                                   {1, QStringLiteral("50 Hz")},
                                                   {2, QStringLiteral("60 Hz")}};
        at(V4L2_CID_EXPOSURE_AUTO).items = {{1, QStringLiteral("Manual Mode")},
                                            {3, QStringLiteral("Aperture Priority Mode")}};
    }

    std::vector<CameraInfo> cameras() override { return plugged; }
    CameraChoice choice() const override { return chosen; }
    void restore(const CameraChoice& c) override {
        chosen = c;
        for (const auto& [id, value] : c.controls) set_control(id, value);
    }
    void choose(const QString& path, const std::optional<CameraMode>& mode) override {
        chosen.path = path;
        chosen.mode = mode;
    }
    std::vector<CameraControl> controls() override {
        at(V4L2_CID_WHITE_BALANCE_TEMPERATURE).inactive = at(V4L2_CID_AUTO_WHITE_BALANCE).value;
        at(V4L2_CID_EXPOSURE_ABSOLUTE).inactive = at(V4L2_CID_EXPOSURE_AUTO).value != 1;
        return device_controls;
    }
    bool set_control(unsigned id, int value) override {
        controls();
        CameraControl& c = at(id);
        const bool in_menu = c.kind != CameraControl::Kind::menu ||
                             std::any_of(c.items.begin(), c.items.end(),
                                         [&](const auto& item) { return item.first == value; });
        if (c.inactive || value < c.minimum || value > c.maximum || !in_menu) return false;
        c.value = c.minimum + (value - c.minimum) / c.step * c.step;
        chosen.controls[id] = c.value;
        return true;
    }

    CameraControl& at(unsigned id) {
        return *std::find_if(device_controls.begin(), device_controls.end(),
                             [id](const CameraControl& c) { return c.id == id; });
    }

    CameraInfo usb_webcam;
    CameraInfo mjpeg_only;
    std::vector<CameraInfo> plugged;
    std::vector<CameraControl> device_controls;
    CameraChoice chosen;
};
