#include "platform/gst/gst_runtime.h"

#include <QFileInfo>
#include <QUrl>
#include <mutex>

#include "platform/gst/gst_ptr.h"

namespace gst_runtime {

void ensure_initialised() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

QString message_text(GstMessage* message) {
    GErrorPtr error;
    GCharPtr debug;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        gst_message_parse_error(message, out(error), out(debug));
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING) {
        gst_message_parse_warning(message, out(error), out(debug));
    }
    return error ? QString::fromUtf8(error->message) : QString();
}

namespace {
// Waits for the end of an asynchronous change: its completion, or the first error.
bool wait_for_change(GstElement* pipeline, std::chrono::milliseconds limit, QString* error) {
    const GstBusPtr bus(gst_element_get_bus(pipeline));
    const auto types = static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR);
    const GstClockTime timeout = GstClockTime(limit.count()) * GST_MSECOND;
    const GstMessagePtr message(gst_bus_timed_pop_filtered(bus.get(), timeout, types));
    // Out of time: a slow network source may still come; its errors arrive later.
    if (!message) return true;
    const bool failed = GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR;
    if (failed && error) *error = message_text(message.get());
    return !failed;
}

// The first error waiting on the bus, for a change that failed at once.
QString pending_error(GstElement* pipeline) {
    const GstBusPtr bus(gst_element_get_bus(pipeline));
    const GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    if (!message) return QStringLiteral("the source could not be started");
    return message_text(message.get());
}
}  // namespace

bool change_state(GstElement* pipeline, GstState state, std::chrono::milliseconds limit,
                  QString* error) {
    const GstStateChangeReturn result = gst_element_set_state(pipeline, state);
    bool ok = true;
    if (result == GST_STATE_CHANGE_FAILURE) {
        if (error) *error = pending_error(pipeline);
        ok = false;
    } else if (result == GST_STATE_CHANGE_ASYNC) {
        ok = wait_for_change(pipeline, limit, error);
    }
    if (!ok) gst_element_set_state(pipeline, GST_STATE_NULL);
    return ok;
}

const char* rgb32_format() {
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "BGRx" : "xRGB";
}

const char* opaque_rgb32_format() {
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "BGRA" : "ARGB";
}

QString to_uri(const QString& path_or_uri) {
    if (path_or_uri.contains(QLatin1String("://"))) return path_or_uri;
    return QUrl::fromLocalFile(QFileInfo(path_or_uri).absoluteFilePath())
        .toString(QUrl::FullyEncoded);
}

}  // namespace gst_runtime
