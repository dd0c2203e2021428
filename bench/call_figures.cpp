// Prints what a call's media costs and how quickly the owner sees the room, on loopback against
// the call tests' phone (webrtc_peer.py, GStreamer's webrtcbin): the phone's offer to its first
// decoded picture of the room, the delay from a picture drawn to the same picture decoded on the
// phone (glass to glass, read from a time stamp drawn into it; a camera's own capture delay and
// the phone's playout buffer come on top of it, and holding each picture 40 ms before the media
// takes it raises the figure by 40 ms, as it should), and this process's CPU while it
// sends the demo scene at 320 x 240 and 640 x 480. This process is the program's media side:
// picture source, VP8 and Opus encoders, webrtcbin; the phone runs in its own process.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "media_peer.h"
#include "platform/call/gst_call_media_factory.h"
#include "platform/call/video_codec.h"
#include "platform/gst/gst_clip_writer.h"
#include "sim/demo_camera.h"

namespace {
constexpr int stamp_bits = 32;

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The demo scene at the call's size, with the monotonic clock's ms drawn across its top.
QImage stamped_scene(const DemoCamera& scene, qint64 ms) {
    QImage picture = scene.frame_at(ms).scaled(640, 480).convertToFormat(QImage::Format_RGB32);
    const quint32 now = quint32(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count());
    const int block = picture.width() / stamp_bits;
    QPainter painter(&picture);
    for (int bit = 0; bit < stamp_bits; ++bit) {
        const bool one = (now >> (stamp_bits - 1 - bit)) & 1u;
        painter.fillRect(bit * block, 0, block, block, one ? Qt::white : Qt::black);
    }
    return picture;
}

void first_picture_and_glass_to_glass() {
    QElapsedTimer clock;
    clock.start();
    DemoCamera scene([&clock] { return clock.elapsed(); });
    CallPictures pictures{
        [] { return true; },
        [&]() -> std::optional<QImage> { return stamped_scene(scene, clock.elapsed()); },
        [] {},
        {}};
    MediaCall call({}, pictures, {"--read-stamps"});
    // As the owner's call goes: the room may be seen as soon as the media flows.
    call.media->on_connected = [&] {
        call.connected = true;
        call.media->start_sending_video();
    };
    QElapsedTimer since_offer;
    since_offer.start();
    call.start(false);
    const bool seen = call.wait([&] {
        return std::any_of(call.frames.begin(), call.frames.end(),
                           [](const PeerFrame& f) { return f.mean > 20; });
    });
    if (!seen) return (void)std::printf("first picture: none (%s)\n", qPrintable(call.failure));
    std::printf("phone's offer to its first decoded picture of the room: %lld ms\n",
                since_offer.elapsed());
    const size_t from = call.frames.size();
    call.wait([] { return false; }, 10'000);
    std::vector<double> delays;
    for (const PeerFrame& frame : call.frames_since(from))
        if (frame.delay_ms >= 0 && frame.delay_ms < 10'000) delays.push_back(frame.delay_ms);
    std::printf("glass to glass (640 x 480, %zu pictures in 10 s): median %.0f ms, 95th %.0f ms\n",
                delays.size(), percentile(delays, 0.5), percentile(delays, 0.95));
}

void cpu_at(int width, int height, int seconds, const char* codec = "VP8") {
    const QTemporaryDir folder;
    const QString clip = folder.filePath(QStringLiteral("scene.avi"));
    {
        DemoCamera scene([] { return 0; });
        GstClipWriter writer(clip, width, height, 20);
        // Ten seconds of the scene with the walk in it, played round and round as a camera.
        for (int n = 0; n < 200; ++n)
            writer.add(scene.frame_at(DemoCamera::walk_start_ms + n * 50));
        writer.finish();
    }
    MediaCall call(gst_call_media_factory(nullptr, clip, {}, {})({}), {"--video-codec", codec});
    call.start(false);
    if (!call.wait_connected()) return (void)std::printf("%dx%d: no call\n", width, height);
    call.media->start_sending_video();
    call.wait([] { return false; }, 2'000);  // settled
    const size_t from = call.frames.size();
    const double cpu_from = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    call.wait([] { return false; }, seconds * 1000);
    const double cpu = cpu_seconds() - cpu_from;
    const double elapsed = double(wall.elapsed()) / 1000;
    std::printf(
        "%d x %d %s at 20 fps: %.0f%% of one core (%.1f s CPU in %.1f s), the phone decoded "
        "%.1f pictures a second\n",
        width, height, codec, 100 * cpu / elapsed, cpu, elapsed,
        double(call.frames.size() - from) / elapsed);
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int seconds = qEnvironmentVariableIntValue("VQ_BENCH_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("VQ_BENCH_SECONDS")
                            : 15;
    first_picture_and_glass_to_glass();
    cpu_at(320, 240, seconds);
    cpu_at(640, 480, seconds);
    // Where GStreamer has an H.264 encoder (x264enc), for the phones that take H.264 alone.
    const auto codecs = video_codecs::available();
    if (std::any_of(codecs.begin(), codecs.end(), [](const auto& c) { return c.name == "H264"; }))
        cpu_at(640, 480, seconds, "H264");
    return 0;
}
