#include "platform/gst/camera_listing.h"

#include <algorithm>

#include "platform/gst/camera_modes.h"
#include "platform/gst/gst_runtime.h"

namespace camera_listing {
namespace {
QString path_of(GstDevice* device) {
    GstStructure* properties = gst_device_get_properties(device);
    QString path;
    if (properties) {
        for (const char* key : {"api.v4l2.path", "device.path"}) {
            if (const char* value = gst_structure_get_string(properties, key)) {
                path = QString::fromUtf8(value);
                break;
            }
        }
        gst_structure_free(properties);
    }
    return path;
}

CameraInfo info_of(GstDevice* device) {
    CameraInfo info;
    info.path = path_of(device);
    gchar* name = gst_device_get_display_name(device);
    info.name = QString::fromUtf8(name);
    g_free(name);
    GstCaps* caps = gst_device_get_caps(device);
    info.modes = camera_modes::of_caps(caps);
    if (caps) gst_caps_unref(caps);
    return info;
}
}  // namespace

std::vector<CameraInfo> cameras() {
    gst_runtime::ensure_initialised();
    std::vector<CameraInfo> found;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    if (gst_device_monitor_start(monitor)) {
        GList* devices = gst_device_monitor_get_devices(monitor);
        for (GList* d = devices; d; d = d->next) {
            CameraInfo info = info_of(GST_DEVICE(d->data));
            // Several providers (V4L2, PipeWire) may list one device: the first one says it.
            const bool listed = std::any_of(found.begin(), found.end(), [&](const CameraInfo& c) {
                return c.path == info.path;
            });
            if (!info.path.isEmpty() && !listed) found.push_back(std::move(info));
        }
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
    return found;
}

std::vector<CameraMode> modes_of(const QString& path) {
    gst_runtime::ensure_initialised();
    std::vector<CameraMode> modes;
    GstElement* source = gst_element_factory_make("v4l2src", nullptr);
    if (!source) return modes;
    gst_object_ref_sink(source);
    g_object_set(source, "device", path.toUtf8().constData(), nullptr);
    // Ready opens the device, and its pad then offers what the device can do.
    if (gst_element_set_state(source, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS) {
        GstPad* pad = gst_element_get_static_pad(source, "src");
        GstCaps* caps = gst_pad_query_caps(pad, nullptr);
        modes = camera_modes::of_caps(caps);
        gst_caps_unref(caps);
        gst_object_unref(pad);
    }
    gst_element_set_state(source, GST_STATE_NULL);
    gst_object_unref(source);
    return modes;
}

QString text(const std::vector<CameraInfo>& cameras) {
    if (cameras.empty()) return QStringLiteral("No camera found.\n");
    QString out;
    for (const CameraInfo& camera : cameras) {
        out += QStringLiteral("%1  %2\n").arg(camera.path, camera.name);
        for (const CameraMode& mode : camera.modes)
            out += QStringLiteral("    %1\n").arg(mode.text());
        if (camera.modes.empty()) out += QStringLiteral("    (lists no modes)\n");
    }
    return out;
}

}  // namespace camera_listing
