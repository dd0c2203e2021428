#pragma once

#include <gst/gst.h>

#include <QImage>
#include <QString>

#include "platform/gst/gst_ptr.h"

// Writes pictures into a motion-JPEG AVI recording at a fixed frame rate: clips for trying the
// camera and the replay on scenes made to order.
class GstClipWriter {
  public:
    GstClipWriter(const QString& path, int width, int height, int frames_per_second);
    ~GstClipWriter();
    GstClipWriter(const GstClipWriter&) = delete;
    GstClipWriter& operator=(const GstClipWriter&) = delete;

    // Appends one picture, scaled to the clip's size when it differs.
    bool add(const QImage& picture);
    // Ends the clip and closes the file; true when it was written whole.
    bool finish();

  private:
    void close();

    GstElementPtr pipeline_;
    GstElementPtr source_;
    int width_;
    int height_;
    int frames_per_second_;
    quint64 frames_ = 0;
};
