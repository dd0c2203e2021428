#include "platform/gst/video_source.h"

#include <QFileInfo>

#include "platform/gst/gst_runtime.h"

VideoSource VideoSource::from_text(const QString& text) {
    if (text == QLatin1String("auto")) return {Kind::first_device, {}};
    if (text.startsWith(QLatin1String("/dev/"))) return {Kind::device, text};
    if (text.contains(QLatin1String("://"))) return {Kind::uri, text};
    return {Kind::file, text};
}

bool VideoSource::is_recording() const {
    return kind_ == Kind::file ||
           (kind_ == Kind::uri && location_.startsWith(QLatin1String("file://")));
}

bool VideoSource::is_missing_file() const {
    return kind_ == Kind::file && !QFileInfo(location_).isFile();
}

namespace {
// The device the system lists first among its video sources, or null when it lists none.
GstElement* first_listed_device() {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GstElement* element = nullptr;
    if (gst_device_monitor_start(monitor)) {
        GList* devices = gst_device_monitor_get_devices(monitor);
        if (devices) element = gst_device_create_element(GST_DEVICE(devices->data), nullptr);
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
    return element;
}
}  // namespace

GstElement* VideoSource::make_element() const {
    switch (kind_) {
        case Kind::first_device:
            // With no device listed, the plain device source reports plainly that there is none.
            if (GstElement* listed = first_listed_device()) return listed;
            return gst_element_factory_make("v4l2src", nullptr);
        case Kind::device: {
            GstElement* element = gst_element_factory_make("v4l2src", nullptr);
            if (element) g_object_set(element, "device", location_.toUtf8().constData(), nullptr);
            return element;
        }
        case Kind::file:
        case Kind::uri: {
            GstElement* element = gst_element_factory_make("uridecodebin", nullptr);
            const QByteArray uri = gst_runtime::to_uri(location_).toUtf8();
            if (element) g_object_set(element, "uri", uri.constData(), nullptr);
            return element;
        }
    }
    return nullptr;
}
