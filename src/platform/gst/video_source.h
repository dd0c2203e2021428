#pragma once

#include <gst/gst.h>

#include <QString>

// What a camera source text names: `auto` (the first video-capture device), a device path
// (/dev/videoN), a video file, or any URI GStreamer can open (rtsp://, file://, ...).
class VideoSource {
  public:
    enum class Kind { first_device, device, file, uri };

    static VideoSource from_text(const QString& text);
    // The device at `path`: the first device once it is known which one that is.
    static VideoSource device_at(const QString& path) { return {Kind::device, path}; }

    Kind kind() const { return kind_; }
    const QString& location() const { return location_; }
    // A recording (a file, or a file:// URI) rather than a device or a stream that goes on.
    bool is_recording() const;
    // A local path that names nothing: there is no point in starting a pipeline for it.
    bool is_missing_file() const;
    // A capture device, with modes to choose from and controls of its own.
    bool is_device() const { return kind_ == Kind::first_device || kind_ == Kind::device; }

    // The element that produces the pictures (a device's as it sends them, a stream's or a
    // recording's decoded): a floating reference, or null when the element cannot be made.
    GstElement* make_element() const;
    // Whether the element's pads come and go (a decoder) or it has a fixed source pad.
    bool has_dynamic_pads() const { return kind_ == Kind::file || kind_ == Kind::uri; }

  private:
    VideoSource(Kind kind, QString location) : kind_(kind), location_(std::move(location)) {}

    Kind kind_;
    QString location_;
};
