#include <gtest/gtest.h>

#include <gst/app/gstappsink.h>
#include "gst_test_support.h"

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

// The mode that costs least is chosen, decoded only when it is compressed, and the device is
// asked for exactly that mode, which it offers.
TEST(CameraModes, TheModeThatCostsLeastIsAskedForAndDecodedOnlyWhenCompressed) {
    gst_runtime::ensure_initialised();
    struct Case {
        const char* caps;
        size_t modes;
        std::optional<CameraMode> chosen;
        const char* decoder;  // empty: the pictures go on as they are
    };
    for (const Case& c : {Case{usb_webcam_caps, 8, CameraMode{"YUYV", 320, 240, 20, 1}, ""},
                          Case{mjpeg_only_caps, 3, CameraMode{"MJPG", 640, 360, 30, 1}, "jpegdec"},
                          Case{slow_raw_caps, 4, CameraMode{"MJPG", 800, 600, 30, 1}, "jpegdec"},
                          Case{h264_only_caps, 1, std::nullopt, ""}}) {
        SCOPED_TRACE(c.caps);
        const GstCapsPtr offered(gst_caps_from_string(c.caps));
        ASSERT_NE(offered, nullptr);
        const std::vector<CameraMode> modes = camera_modes::of_caps(offered.get());
        EXPECT_EQ(modes.size(), c.modes);
        const std::optional<CameraMode> chosen = camera_modes::least_work(modes);
        EXPECT_EQ(chosen, c.chosen) << (chosen ? chosen->text().toStdString() : "none");
        if (chosen) {
            const char* decoder = camera_modes::decoder_for(*chosen);
            EXPECT_STREQ(decoder ? decoder : "", c.decoder);
            const GstCapsPtr asked = camera_modes::caps_of(*chosen);
            EXPECT_TRUE(gst_caps_is_fixed(asked.get()));
            EXPECT_TRUE(gst_caps_can_intersect(asked.get(), offered.get()));
            EXPECT_EQ(camera_modes::of_caps(asked.get()), std::vector<CameraMode>{*chosen});
        }
    }
}

// The device is asked for the mode, and the pictures come out raw whatever it sends. The stand-in
// device is GStreamer's test source, JPEG-encoded for a device that sends MJPEG.
TEST(CameraModes, TheHeadDeliversRawPicturesOfTheMode) {
    gst_runtime::ensure_initialised();
    struct Case {
        const char* device;
        std::optional<CameraMode> mode;
        const char* pictures;  // what comes out
    };
    for (const Case& c :
         {Case{"videotestsrc is-live=true", CameraMode{"YUYV", 320, 240, 20, 1},
               "video/x-raw, width=320, height=240"},
          Case{"videotestsrc is-live=true ! jpegenc", CameraMode{"MJPG", 640, 360, 30, 1},
               "video/x-raw, width=640, height=360"},
          Case{"videotestsrc is-live=true ! jpegenc", std::nullopt,
               "video/x-raw, width=320, height=240"}}) {
        SCOPED_TRACE(c.device);
        const GstElementPtr pipeline = sunk(gst_pipeline_new(nullptr));
        GstElement* device = gst_parse_bin_from_description(c.device, TRUE, nullptr);
        GstElement* next = gst_element_factory_make("videoconvert", nullptr);
        GstElement* sink = gst_element_factory_make("appsink", nullptr);
        gst_bin_add_many(GST_BIN(pipeline.get()), device, next, sink, nullptr);
        ASSERT_TRUE(gst_element_link(next, sink));
        ASSERT_TRUE(camera_head::link(GST_BIN(pipeline.get()), device, c.mode, next));
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);

        const GstSamplePtr sample(
            gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND));
        ASSERT_NE(sample, nullptr);
        const GstCapsPtr expected(gst_caps_from_string(c.pictures));
        const GCharPtr got(gst_caps_to_string(gst_sample_get_caps(sample.get())));
        EXPECT_TRUE(gst_caps_is_subset(gst_sample_get_caps(sample.get()), expected.get()))
            << got.get();
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    }
}

}  // namespace
