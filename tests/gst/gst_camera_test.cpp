#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QFile>
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
    spin_until([&] { return (frame = camera.grab()).has_value(); });
    return frame;
}

struct ClipSize {
    int width;
    int height;
};
void PrintTo(const ClipSize& c, std::ostream* out) {
    *out << c.width << "x" << c.height;
}

class CameraOnClip : public ::testing::TestWithParam<ClipSize> {};

// Whatever the size of the recording, the engine gets 320 x 240 pictures showing it.
TEST_P(CameraOnClip, GivesEngineFramesOfTheClip) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("colour.avi");
    const QRgb colour = qRgb(200, 60, 30);
    ASSERT_TRUE(make_colour_clip(clip, GetParam().width, GetParam().height, colour, 20));

    GstCamera camera(clip);
    ASSERT_TRUE(camera.open()) << camera.open_error();
    const std::optional<QImage> frame = next_frame(camera);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(320, 240));
    EXPECT_EQ(frame->format(), QImage::Format_RGB32);
    for (const QPoint at :
         {QPoint(0, 0), QPoint(319, 0), QPoint(160, 120), QPoint(0, 239), QPoint(319, 239)}) {
        EXPECT_TRUE(near_colour(frame->pixel(at), colour))
            << "at " << at.x() << "," << at.y() << ": " << std::hex << frame->pixel(at);
        EXPECT_EQ(qAlpha(frame->pixel(at)), 255);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CameraOnClip,
    ::testing::Values(ClipSize{320, 240}, ClipSize{640, 360}, ClipSize{176, 144}),
    [](const auto& info) {
        return QStringLiteral("%1x%2").arg(info.param.width).arg(info.param.height).toStdString();
    });

// Ten frames of rising grey: after the last one the first comes again.
TEST(GstCamera, FileStartsAgainAtItsEnd) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("steps.avi");
    ASSERT_TRUE(make_scene_clip(clip, 10, [](int n) { return grey_frame(20 + 20 * n); }));

    GstCamera camera(clip);
    ASSERT_TRUE(camera.open()) << camera.open_error();
    bool saw_last = false;
    bool saw_first_after_last = false;
    spin_until([&] {
        if (std::optional<QImage> frame = camera.grab()) {
            const int level = qRed(frame->pixel(160, 120));
            if (level > 190) saw_last = true;
            if (saw_last && level < 30) saw_first_after_last = true;
        }
        return saw_first_after_last;
    });
    EXPECT_TRUE(saw_last);
    EXPECT_TRUE(saw_first_after_last);
}

// A frame a second: right after one frame there is no newer one, and the grab says so at once
// rather than waiting for it. Closed, the camera gives nothing, and it opens again.
TEST(GstCamera, GrabGivesOnlyNewFramesAndNothingWhenClosed) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("slow.avi");
    ASSERT_TRUE(make_colour_clip(clip, 320, 240, qRgb(10, 120, 10), 5, 1));

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
    const QString text = text_file(folder.path(), "notes.avi");

    for (const QString& source : {QStringLiteral("/dev/video99"), folder.filePath("missing.avi"),
                                  text, QStringLiteral("file:///no/such/clip.avi")}) {
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
    ASSERT_TRUE(make_colour_clip(clip, 320, 240, qRgb(90, 90, 90), 6));
    const int fd = ::open(clip.toLocal8Bit().constData(), O_RDONLY);
    ASSERT_GE(fd, 0);

    GstCamera camera(QStringLiteral("fd://%1").arg(fd));
    QStringList problems;
    camera.on_problem = [&](const QString& problem) { problems.append(problem); };
    ASSERT_TRUE(camera.open()) << camera.open_error();
    EXPECT_TRUE(spin_until([&] { return !problems.isEmpty(); }));
    spin_for(500ms);
    EXPECT_EQ(problems.size(), 1) << problems.join(" | ");
    EXPECT_FALSE(camera.grab());
    camera.close();
    ::close(fd);
}

// One JPEG picture of one colour, as a network camera sends it.
QByteArray colour_jpeg(const QString& folder, QRgb colour) {
    const QString path = folder + "/picture.jpg";
    run_pipeline(QStringLiteral("videotestsrc pattern=solid-color foreground-color=%1 "
                                "num-buffers=1 ! video/x-raw,width=640,height=480 ! jpegenc ! "
                                "filesink location=\"%2\"")
                     .arg(colour | 0xff000000u)
                     .arg(path));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A network camera on loopback gives frames, and one that stops sending them without a word is
// reported once as lost, like one that breaks.
TEST(GstCamera, NetworkCameraThatStallsIsReportedOnce) {
    QTemporaryDir folder;
    const QRgb colour = qRgb(200, 60, 30);
    LoopbackMjpegServer server(colour_jpeg(folder.path(), colour));
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
    EXPECT_TRUE(spin_until([&] { return !problems.isEmpty(); }, 10s));
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
