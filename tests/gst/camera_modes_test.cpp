#include <gtest/gtest.h>

#include "gst_test_support.h"
#include "platform/gst/camera_modes.h"

namespace {

// What a device's source pad offers, as GStreamer writes it.
constexpr char usb_webcam_caps[] =
    "video/x-raw, format=YUY2, width=1280, height=960, framerate=15/2; "
    "video/x-raw, format=YUY2, width=640, height=480, framerate={ 30/1, 15/1 }; "
    "video/x-raw, format=YUY2, width=320, height=240, framerate={ 30/1, 20/1 }; "
    "video/x-raw, format=YUY2, width=160, height=120, framerate=30/1; "
    "image/jpeg, width=1280, height=720, framerate=30/1; "
    "image/jpeg, width=640, height=480, framerate=30/1";
constexpr char mjpeg_only_caps[] =
    "image/jpeg, width=1920, height=1080, framerate=30/1; "
    "image/jpeg, width=640, height=360, framerate=[ 5/1, 30/1 ]; "
    "image/jpeg, width=320, height=240, framerate=15/1";
// Raw only at sizes too slow to use, as many HD webcams do.
constexpr char slow_raw_caps[] =
    "video/x-raw, format=YUY2, width=1280, height=720, framerate=10/1; "
    "video/x-raw, format=YUY2, width=640, height=480, framerate=10/1; "
    "image/jpeg, width=800, height=600, framerate=30/1; "
    "image/jpeg, width=1280, height=720, framerate=30/1";
constexpr char h264_only_caps[] =
    "video/x-h264, stream-format=byte-stream, alignment=au, width=1920, height=1080, "
    "framerate=30/1";

struct Choice {
    const char* name;
    const char* caps;
    size_t modes;
    std::optional<CameraMode> chosen;
    const char* decoder;  // empty: the pictures go on as they are
};
void PrintTo(const Choice& c, std::ostream* out) {
    *out << c.name;
}

class ModeChoice : public ::testing::TestWithParam<Choice> {};

TEST_P(ModeChoice, TakesTheModeThatCostsLeastAndDecodesOnlyWhatIsCompressed) {
    gst_runtime::ensure_initialised();
    const Choice& c = GetParam();
    GstCaps* caps = gst_caps_from_string(c.caps);
    ASSERT_NE(caps, nullptr);
    const std::vector<CameraMode> modes = camera_modes::of_caps(caps);
    gst_caps_unref(caps);
    EXPECT_EQ(modes.size(), c.modes);
    const std::optional<CameraMode> chosen = camera_modes::least_work(modes);
    EXPECT_EQ(chosen, c.chosen) << (chosen ? chosen->text().toStdString() : "none");
    if (!chosen) return;
    const char* decoder = camera_modes::decoder_for(*chosen);
    EXPECT_STREQ(decoder ? decoder : "", c.decoder);

    // The device is asked for exactly the chosen mode, which it offers.
    GstCaps* offered = gst_caps_from_string(c.caps);
    GstCaps* asked = camera_modes::caps_of(*chosen);
    EXPECT_TRUE(gst_caps_is_fixed(asked));
    EXPECT_TRUE(gst_caps_can_intersect(asked, offered));
    EXPECT_EQ(camera_modes::of_caps(asked), std::vector<CameraMode>{*chosen});
    gst_caps_unref(asked);
    gst_caps_unref(offered);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, ModeChoice,
    ::testing::Values(
        Choice{"usb_webcam", usb_webcam_caps, 8, CameraMode{"YUYV", 320, 240, 20, 1}, ""},
        Choice{"mjpeg_only", mjpeg_only_caps, 3, CameraMode{"MJPG", 640, 360, 30, 1}, "jpegdec"},
        Choice{"slow_raw", slow_raw_caps, 4, CameraMode{"MJPG", 800, 600, 30, 1}, "jpegdec"},
        Choice{"h264_only", h264_only_caps, 1, std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
