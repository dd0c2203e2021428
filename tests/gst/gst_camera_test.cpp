#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QBuffer>
#include <QTemporaryDir>

#include "gst_test_support.h"
#include "loopback_mjpeg_server.h"
#include "platform/gst/gst_camera.h"
#include "qt_printers.h"
#include "seams/camera_device.h"

namespace {

// Grabs until a frame comes.
std::optional<QImage> next_frame(GstCamera& camera) {
    std::optional<QImage> frame;
    wait_until([&] { return (frame = camera.grab()).has_value(); });
    return frame;
}

// The camera plays a clip round and round: after the last frame the first comes again. (How
// frames are scaled and coloured is the clip reader's test: they share the pipeline.)
TEST(GstCamera, StartsTheClipAgainAtItsEnd) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("ramp.avi");
    ASSERT_TRUE(make_scene_clip(clip, 10, [](int n) { return grey_frame(20 + 20 * n); }));
    GstCamera camera(clip);
    ASSERT_TRUE(camera.open()) << camera.open_error();
    bool saw_last = false;
    EXPECT_TRUE(wait_until([&] {
        const std::optional<QImage> frame = camera.grab();
        const int level = frame ? qRed(frame->pixel(160, 120)) : 100;
        const bool first_after_last = saw_last && level < 30;
        saw_last |= level > 190;
        return first_after_last;
    }));
}

// A frame a second: right after one frame there is no newer one, and the grab says so at once
// rather than waiting for it. Closed, the camera gives nothing, and it opens again.
TEST(GstCamera, GrabGivesOnlyNewFramesAndNothingWhenClosed) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("slow.avi");
    ASSERT_TRUE(make_scene_clip(
        clip, 5, [](int) { return grey_frame(90); }, 320, 240, 1));

    GstCamera camera(clip);
    EXPECT_FALSE(camera.grab()) << "not open yet";
    ASSERT_TRUE(camera.open()) << camera.open_error();
    ASSERT_TRUE(next_frame(camera));
    EXPECT_FALSE(camera.grab());
    camera.close();
    spin_for(200ms);
    EXPECT_FALSE(camera.grab());
    ASSERT_TRUE(camera.open()) << camera.open_error();
    EXPECT_TRUE(next_frame(camera));
}

// Sources that are not there, or are not video, do not open, and say why.
TEST(GstCamera, SourcesThatCannotBeOpenedAreRefused) {
    QTemporaryDir folder;
    for (const QString& source :
         {QStringLiteral("/dev/video99"), folder.filePath("missing.avi"),
          text_file(folder.path(), "notes.avi"), QStringLiteral("file:///no/such/clip.avi")}) {
        GstCamera camera(source);
        EXPECT_FALSE(camera.open()) << source;
        EXPECT_FALSE(camera.open_error().isEmpty()) << source;
        EXPECT_FALSE(camera.grab()) << source;
    }
}

// A stream (not a file) that comes to its end: reported once, and no frame after it.
TEST(GstCamera, StreamThatEndsIsReportedOnce) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("short.avi");
    ASSERT_TRUE(make_scene_clip(clip, 6, [](int) { return grey_frame(90); }));
    const int fd = ::open(clip.toLocal8Bit().constData(), O_RDONLY);
    ASSERT_GE(fd, 0);

    GstCamera camera(QStringLiteral("fd://%1").arg(fd));
    QStringList problems;
    camera.on_problem = [&](const QString& problem) { problems.append(problem); };
    ASSERT_TRUE(camera.open()) << camera.open_error();
    EXPECT_TRUE(wait_until([&] { return !problems.isEmpty(); }));
    spin_for(500ms);
    EXPECT_EQ(problems.size(), 1) << problems.join(" | ");
    EXPECT_FALSE(camera.grab());
    camera.close();
    ::close(fd);
}

// A network camera on loopback gives frames, and one that stops sending them without a word is
// reported once as lost, like one that breaks.
TEST(GstCamera, NetworkCameraThatStallsIsReportedOnce) {
    const QRgb colour = qRgb(200, 60, 30);
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    ASSERT_TRUE(solid_frame(colour, 640, 480).save(&jpeg, "JPG"));
    LoopbackMjpegServer server(jpeg.data());
    GstCamera camera(server.url(), 1500ms);
    QStringList problems;
    camera.on_problem = [&](const QString& problem) { problems.append(problem); };
    ASSERT_TRUE(camera.open()) << camera.open_error();
    const std::optional<QImage> frame = next_frame(camera);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(near_colour(frame->pixel(160, 120), colour)) << std::hex << frame->pixel(160, 120);
    spin_for(2000ms);
    EXPECT_TRUE(problems.isEmpty())
        << "a camera that sends is not stalled: " << problems.join(" | ");

    server.stall();
    EXPECT_TRUE(wait_until([&] { return !problems.isEmpty(); }, 10'000));
    spin_for(2000ms);
    ASSERT_EQ(problems.size(), 1) << problems.join(" | ");
    EXPECT_TRUE(problems.first().contains("no picture")) << problems.first();
    EXPECT_FALSE(camera.grab());
}

// Only a capture device has a format and settings of its own.
TEST(GstCamera, OnlyCaptureDevicesHaveDeviceSettings) {
    for (const char* source : {"auto", "/dev/video7"})
        EXPECT_NE(GstCamera(source).device(), nullptr) << source;
    for (const char* source : {"clip.avi", "rtsp://127.0.0.1/cam", "http://127.0.0.1/video.mjpg"})
        EXPECT_EQ(GstCamera(source).device(), nullptr) << source;
}

}  // namespace
