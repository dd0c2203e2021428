#include "platform/call/call_sound.h"

#include "log/categories.h"
#include "platform/gst/gst_ptr.h"

namespace call_sound {
namespace {
// The first device of the class the system lists (the default one comes first).
GstElement* make_device_element(const char* device_class) {
    const GstDeviceMonitorPtr monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), device_class, nullptr);
    if (!gst_device_monitor_start(monitor.get())) return nullptr;
    const GstObjectListPtr devices(gst_device_monitor_get_devices(monitor.get()));
    gst_device_monitor_stop(monitor.get());
    if (!devices) return nullptr;
    return gst_device_create_element(GST_DEVICE(devices->data), nullptr);
}
}  // namespace

GstElement* make_microphone() {
    if (GstElement* device = make_device_element("Audio/Source")) return device;
    qCInfo(call_log) << "No microphone: the call sends silence";
    return nullptr;
}

GstElement* make_silence() {
    GstElement* silence = gst_element_factory_make("audiotestsrc", nullptr);
    if (silence) {
        gst_util_set_object_arg(G_OBJECT(silence), "wave", "silence");
        g_object_set(silence, "is-live", TRUE, nullptr);
    }
    return silence;
}

GstElement* make_speaker() {
    if (GstElement* device = make_device_element("Audio/Sink")) return device;
    qCInfo(call_log) << "No speaker: the owner's voice is not played";
    GstElement* nowhere = gst_element_factory_make("fakesink", nullptr);
    if (nowhere) g_object_set(nowhere, "sync", FALSE, "async", FALSE, nullptr);
    return nowhere;
}

}  // namespace call_sound
