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

// Whatever the size of the recording, the engine gets whole 320 x 240 pictures of it in their
// colours; after the last frame the first comes again.
TEST(GstCamera, GivesTheClipsFramesWholeAndStartsAgainAtItsEnd) {
    QTemporaryDir folder;
    const auto colour = [](int n) { return qRgb(20 + 20 * n, 60, 30); };
    for (const QSize size : {QSize(320, 240), QSize(640, 360), QSize(176, 144)}) {
        SCOPED_TRACE(size.width());
        const QString clip = folder.filePath(QStringLiteral("ramp%1.avi").arg(size.width()));
        ASSERT_TRUE(make_scene_clip(
            clip, 10, [&](int n) { return solid_frame(colour(n), size.width(), size.height()); },
            size.width(), size.height()));
        GstCamera camera(clip);
        ASSERT_TRUE(camera.open()) << camera.open_error();
        bool saw_last = false;
        bool saw_first_after_last = false;
        wait_until([&] {
            const std::optional<QImage> frame = camera.grab();
            if (!frame) return false;
            EXPECT_EQ(frame->size(), QSize(320, 240));
            EXPECT_EQ(frame->format(), QImage::Format_RGB32);
            // The red level tells the frame; green and blue show the channels in their places.
            const QRgb centre = frame->pixel(160, 120);
            EXPECT_TRUE(near_colour(centre, colour((qRed(centre) - 20 + 10) / 20)))
                << std::hex << centre;
            for (const QPoint at : {QPoint(0, 0), QPoint(319, 0), QPoint(0, 239), QPoint(319, 239)})
                EXPECT_TRUE(near_colour(frame->pixel(at), centre)) << at.x() << "," << at.y();
            EXPECT_EQ(qAlpha(centre), 255);
            saw_first_after_last |= saw_last && qRed(centre) < 30;
            saw_last |= qRed(centre) > 190;
            return saw_first_after_last || HasFailure();
        });
        EXPECT_TRUE(saw_first_after_last);
    }
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
