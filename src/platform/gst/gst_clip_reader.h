#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <optional>

class GstVideoPipeline;

// One decoded frame of a recording, and where in the recording it lies.
struct ClipFrame {
    QImage image;  // 320 x 240, RGB32
    qint64 clip_ms = 0;
};

// Reads a recording frame by frame, every frame in order, as fast as it decodes: for replaying
// footage through the engine.
class GstClipReader {
  public:
    // A file path or a URI.
    explicit GstClipReader(const QString& clip);
    ~GstClipReader();

    // False when the clip cannot be read (missing, not a video); `error()` says why.
    bool open();
    // The next frame, waiting for it; nothing at the end of the clip or when reading broke off
    // (then `error()` says why).
    std::optional<ClipFrame> next();
    const QString& error() const { return error_; }

  private:
    QString clip_;
    std::unique_ptr<GstVideoPipeline> pipeline_;
    QString error_;
};
