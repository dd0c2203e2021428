#pragma once

#include <gst/gst.h>

#include <QString>
#include <chrono>

// What every GStreamer binding needs: the library set up once per process, and state changes
// that say plainly whether they worked.
namespace gst_runtime {

// Safe to call any number of times, from the first binding made on.
void ensure_initialised();

// Moves a pipeline to a state and waits (at most `limit`) for it to get there, so that a
// missing device or an unreadable file is known at once. A live source that cannot preroll
// counts as there. On failure the pipeline is left in NULL and `error` says why.
bool change_state(GstElement* pipeline, GstState state, std::chrono::milliseconds limit,
                  QString* error = nullptr);

// The text of an error or warning message.
QString message_text(GstMessage* message);

// The raw video format whose bytes lie in memory as QImage::Format_RGB32 keeps them.
const char* rgb32_format();
// The same with an alpha byte in place of the padding: converted from an opaque source, the
// alpha is 0xff throughout, so the bytes are a valid RGB32 picture as they are.
const char* opaque_rgb32_format();

// A local path as a URI; URIs are kept as they are.
QString to_uri(const QString& path_or_uri);

}  // namespace gst_runtime
