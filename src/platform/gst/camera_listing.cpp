#include "platform/gst/camera_listing.h"

#include <algorithm>

#include "platform/gst/camera_modes.h"
#include "platform/gst/gst_ptr.h"
#include "platform/gst/gst_runtime.h"

namespace camera_listing {
namespace {
QString path_of(GstDevice* device) {
    const GstStructurePtr properties(gst_device_get_properties(device));
    if (!properties) return {};
    for (const char* key : {"api.v4l2.path", "device.path"}) {
        if (const char* value = gst_structure_get_string(properties.get(), key))
            return QString::fromUtf8(value);
    }
    return {};
}

CameraInfo info_of(GstDevice* device) {
    CameraInfo info;
    info.path = path_of(device);
    const GCharPtr name(gst_device_get_display_name(device));
    info.name = QString::fromUtf8(name.get());
    const GstCapsPtr caps(gst_device_get_caps(device));
    info.modes = camera_modes::of_caps(caps.get());
    return info;
}

std::vector<CameraInfo> listed_by(GstDeviceMonitor* monitor) {
    std::vector<CameraInfo> found;
    const GstObjectListPtr devices(gst_device_monitor_get_devices(monitor));
    for (GList* d = devices.get(); d; d = d->next) {
        CameraInfo info = info_of(GST_DEVICE(d->data));
        // Several providers (V4L2, PipeWire) may list one device: the first one says it.
        const bool listed = std::any_of(found.begin(), found.end(),
                                        [&](const CameraInfo& c) { return c.path == info.path; });
        if (!info.path.isEmpty() && !listed) found.push_back(std::move(info));
    }
    return found;
}
}  // namespace

std::vector<CameraInfo> cameras() {
    gst_runtime::ensure_initialised();
    const GstDeviceMonitorPtr monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    if (!gst_device_monitor_start(monitor.get())) return {};
    std::vector<CameraInfo> found = listed_by(monitor.get());
    gst_device_monitor_stop(monitor.get());
    return found;
}

std::vector<CameraMode> modes_of(const QString& path) {
    gst_runtime::ensure_initialised();
    std::vector<CameraMode> modes;
    const GstElementPtr source = sunk(gst_element_factory_make("v4l2src", nullptr));
    if (!source) return modes;
    g_object_set(source.get(), "device", path.toUtf8().constData(), nullptr);
    // Ready opens the device, and its pad then offers what the device can do.
    if (gst_element_set_state(source.get(), GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS) {
        const GstPadPtr pad(gst_element_get_static_pad(source.get(), "src"));
        const GstCapsPtr caps(gst_pad_query_caps(pad.get(), nullptr));
        modes = camera_modes::of_caps(caps.get());
    }
    gst_element_set_state(source.get(), GST_STATE_NULL);
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
