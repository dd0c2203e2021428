// Writes the demo room (still, with someone walking through every 20 seconds and a little sensor
// noise) into a 320 x 240 motion-JPEG clip at 20 frames a second: footage for the replay figures.
#include <QGuiApplication>
#include <cstdio>

#include "platform/gst/gst_clip_writer.h"
#include "sim/demo_camera.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE SECONDS\n", argv[0]);
        return 2;
    }
    constexpr int fps = 20;
    const int frames = QString::fromLocal8Bit(argv[2]).toInt() * fps;
    const DemoCamera scene([] { return qint64(0); });
    GstClipWriter writer(QString::fromLocal8Bit(argv[1]), 320, 240, fps);
    for (int n = 0; n < frames; ++n) {
        if (!writer.add(scene.frame_at(qint64(n) * 1000 / fps))) break;
    }
    if (!writer.finish()) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
