#include "platform/gst/video_source.h"

#include <QFileInfo>
#include <QUrl>

#include "platform/gst/gst_runtime.h"
#include "platform/gst/recording_head.h"

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

GstElement* VideoSource::make_element() const {
    switch (kind_) {
        case Kind::first_device:
            // With no device listed, the plain device source reports plainly that there is none.
            return gst_element_factory_make("v4l2src", nullptr);
        case Kind::device: {
            GstElement* element = gst_element_factory_make("v4l2src", nullptr);
            if (element) g_object_set(element, "device", location_.toUtf8().constData(), nullptr);
            return element;
        }
        case Kind::file:
            return recording_head::make(location_);
        case Kind::uri: {
            if (is_recording()) return recording_head::make(QUrl(location_).toLocalFile());
            GstElement* element = gst_element_factory_make("uridecodebin", nullptr);
            const QByteArray uri = gst_runtime::to_uri(location_).toUtf8();
            if (element) g_object_set(element, "uri", uri.constData(), nullptr);
            return element;
        }
    }
    return nullptr;
}
