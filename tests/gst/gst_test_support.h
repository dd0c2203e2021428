#pragma once

#include <gst/gst.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QThread>
#include <chrono>
#include <functional>

#include "child_process.h"
#include "platform/gst/gst_clip_writer.h"
#include "platform/gst/gst_runtime.h"

using namespace std::chrono_literals;

// Runs the Qt event loop (where the bindings' device events arrive) until the condition holds
// or the generous limit has passed; returns whether it held.
inline bool spin_until(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
    return wait_until(done, static_cast<int>(limit.count()));
}

// Lets events arrive for a while: for showing that something does not happen.
inline void spin_for(std::chrono::milliseconds time) {
    spin_until([] { return false; }, time);
}

// Runs a gst-launch style description to its end; true when it ended without an error.
inline bool run_pipeline(const QString& description) {
    gst_runtime::ensure_initialised();
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (error) g_error_free(error);
    if (!pipeline) return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

// A motion-JPEG clip of one solid colour, of any size, made by GStreamer's test source.
inline bool make_colour_clip(const QString& path, int width, int height, QRgb colour, int frames,
                             int fps = 20) {
    return run_pipeline(
        QStringLiteral("videotestsrc pattern=solid-color foreground-color=%1 "
                       "num-buffers=%2 ! video/x-raw,width=%3,height=%4,"
                       "framerate=%5/1 ! jpegenc ! avimux ! filesink location=\"%6\"")
            .arg(colour | 0xff000000u)
            .arg(frames)
            .arg(width)
            .arg(height)
            .arg(fps)
            .arg(path));
}

// A clip whose every frame is drawn by the test.
inline bool make_scene_clip(const QString& path, int frames,
                            const std::function<QImage(int)>& scene, int width = 320,
                            int height = 240, int fps = 20) {
    GstClipWriter writer(path, width, height, fps);
    for (int n = 0; n < frames; ++n) {
        if (!writer.add(scene(n))) return false;
    }
    return writer.finish();
}

// A file of plain text under a media file's name, in the folder.
inline QString text_file(const QString& folder, const char* name) {
    QFile file(folder + '/' + name);
    file.open(QIODevice::WriteOnly);
    file.write("no pictures or sound in here\n");
    return file.fileName();
}

// A frame of one grey level.
inline QImage grey_frame(int level, int width = 320, int height = 240) {
    QImage frame(width, height, QImage::Format_RGB32);
    frame.fill(qRgb(level, level, level));
    return frame;
}

// Whether two colours differ by no more than the tolerance in every channel (JPEG is lossy).
inline bool near_colour(QRgb a, QRgb b, int tolerance = 12) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A dim room with a cupboard; from frame `still` on, a striped box crosses it left to right at
// the given height and speed in pixels a frame (nothing moves when `box_top` is negative).
inline QImage room_frame(int n, int still, int box_top, int speed) {
    QImage frame = grey_frame(40);
    QPainter painter(&frame);
    painter.fillRect(200, 150, 80, 60, QColor(90, 70, 50));
    if (box_top >= 0 && n >= still) {
        const int x = -60 + speed * (n - still);
        for (int stripe = 0; stripe < 60; stripe += 8) {
            painter.fillRect(x + stripe, box_top, 4, 60, QColor(230, 230, 230));
            painter.fillRect(x + stripe + 4, box_top, 4, 60, QColor(10, 10, 10));
        }
    }
    return frame;
}
