#pragma once

#include <gst/gst.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <chrono>
#include <functional>

#include "child_process.h"
#include "files.h"
#include "frames.h"
#include "platform/gst/gst_clip_writer.h"
#include "platform/gst/gst_ptr.h"
#include "platform/gst/gst_runtime.h"

using namespace std::chrono_literals;

// Lets events arrive on the Qt event loop for a while: for showing that something does not happen.
inline void spin_for(std::chrono::milliseconds time) {
    wait_until([] { return false; }, static_cast<int>(time.count()));
}

inline QImage grey_frame(int level, int width = 320, int height = 240) {
    return solid_frame(qRgb(level, level, level), width, height);
}

// A motion-JPEG clip, as a camera records one, whose every frame is drawn by the test.
inline bool make_scene_clip(const QString& path, int frames,
                            const std::function<QImage(int)>& scene, int width = 320,
                            int height = 240, int fps = 20) {
    GstClipWriter writer(path, width, height, fps);
    for (int n = 0; n < frames; ++n)
        if (!writer.add(scene(n))) return false;
    return writer.finish();
}

// A recorded room, 20 frames a second: a dim room with a cupboard, `quiet` frames still, then
// for `walking` frames a striped box crossing it left to right at the height `box_top`, then
// `quiet_after` frames still again.
struct Room {
    int quiet = 40;
    int walking = 0;
    int quiet_after = 0;
    int box_top = 90;
};
inline bool make_room_clip(const QString& path, Room room) {
    return make_scene_clip(path, room.quiet + room.walking + room.quiet_after, [room](int n) {
        QImage frame = grey_frame(40);
        QPainter painter(&frame);
        painter.fillRect(200, 150, 80, 60, QColor(90, 70, 50));
        if (n < room.quiet || n >= room.quiet + room.walking) return frame;
        const int x = -60 + 5 * (n - room.quiet);
        for (int stripe = 0; stripe < 60; stripe += 8) {
            painter.fillRect(x + stripe, room.box_top, 4, 60, QColor(230, 230, 230));
            painter.fillRect(x + stripe + 4, room.box_top, 4, 60, QColor(10, 10, 10));
        }
        return frame;
    });
}

// A file of plain text under a media file's name, in the folder.
inline QString text_file(const QString& folder, const char* name) {
    write_file(folder + '/' + name, "no pictures or sound in here\n");
    return folder + '/' + name;
}

// Whether two colours differ by no more than the tolerance in every channel (JPEG is lossy).
inline bool near_colour(QRgb a, QRgb b, int tolerance = 12) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}
