#pragma once

#include <gst/gst.h>

#include <QString>

// The head of a recorded clip's pipeline: the file, its demuxer and a decoder for its first video
// stream, as one element that offers the decoded pictures on a pad of its own once they are found.
// Unlike a decoder bin fed by the file, no queue (and so no thread of its own) sits between the
// demuxer and the decoder: a clip is read no faster than its pictures are taken, and the demuxer's
// thread decodes them at once, without a hand-over per picture.
namespace recording_head {

// A floating reference, or null when an element is missing.
GstElement* make(const QString& path);

}  // namespace recording_head
