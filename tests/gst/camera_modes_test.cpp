#include <gtest/gtest.h>

#include <gst/app/gstappsink.h>
#include "gst_test_support.h"

#include <QSize>

#include "platform/gst/camera_head.h"
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
    const GstCapsPtr offered(gst_caps_from_string(c.caps));
    const GstCapsPtr asked = camera_modes::caps_of(*chosen);
    EXPECT_TRUE(gst_caps_is_fixed(asked.get()));
    EXPECT_TRUE(gst_caps_can_intersect(asked.get(), offered.get()));
    EXPECT_EQ(camera_modes::of_caps(asked.get()), std::vector<CameraMode>{*chosen});
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

namespace {

// A stand-in for a capture device: GStreamer's test source, JPEG-encoded for a device that
// sends MJPEG, behind one source pad.
GstElement* stand_in_device(bool mjpeg) {
    GstElement* device = gst_bin_new(nullptr);
    GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
    g_object_set(source, "is-live", TRUE, nullptr);
    GstElement* out = source;
    gst_bin_add(GST_BIN(device), source);
    if (mjpeg) {
        out = gst_element_factory_make("jpegenc", nullptr);
        gst_bin_add(GST_BIN(device), out);
        gst_element_link(source, out);
    }
    GstPad* pad = gst_element_get_static_pad(out, "src");
    gst_element_add_pad(device, gst_ghost_pad_new("src", pad));
    gst_object_unref(pad);
    return device;
}

bool has_element(GstElement* bin, const char* factory) {
    GstElement* found = nullptr;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(bin));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* f = gst_element_get_factory(element);
        if (f && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), factory))
            found = element;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found != nullptr;
}

struct Head {
    const char* name;
    bool mjpeg_device;
    std::optional<CameraMode> mode;
    QSize size;  // of the pictures that come out
    bool decoded;
};
void PrintTo(const Head& h, std::ostream* out) {
    *out << h.name;
}

class CameraHead : public ::testing::TestWithParam<Head> {};

// The device is asked for the mode, and the pictures come out raw whatever it sends.
TEST_P(CameraHead, DeliversRawPicturesOfTheMode) {
    gst_runtime::ensure_initialised();
    const Head& h = GetParam();
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* device = stand_in_device(h.mjpeg_device);
    GstElement* next = gst_element_factory_make("videoconvert", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    gst_bin_add_many(GST_BIN(pipeline), device, next, sink, nullptr);
    ASSERT_TRUE(gst_element_link(next, sink));
    ASSERT_TRUE(camera_head::link(GST_BIN(pipeline), device, h.mode, next));
    gst_element_set_state(pipeline, GST_STATE_PLAYING);

    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
    ASSERT_NE(sample, nullptr);
    const GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
    int width = 0;
    int height = 0;
    gst_structure_get_int(s, "width", &width);
    gst_structure_get_int(s, "height", &height);
    EXPECT_STREQ(gst_structure_get_name(s), "video/x-raw");
    EXPECT_EQ(QSize(width, height), h.size);
    EXPECT_EQ(has_element(pipeline, "jpegdec"), h.decoded);
    gst_sample_unref(sample);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CameraHead,
    ::testing::Values(
        Head{"raw_mode", false, CameraMode{"YUYV", 320, 240, 20, 1}, {320, 240}, false},
        Head{"mjpeg_mode", true, CameraMode{"MJPG", 640, 360, 30, 1}, {640, 360}, true},
        Head{"mjpeg_unknown_mode", true, std::nullopt, {320, 240}, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
