#include "platform/gst/low_latency.h"

#include <cstring>
#include <mutex>

#include "platform/gst/gst_ptr.h"

namespace low_latency {
namespace {
bool has_property(GstElement* element, const char* name) {
    return g_object_class_find_property(G_OBJECT_GET_CLASS(element), name) != nullptr;
}

bool is_factory(GstElement* element, const char* name) {
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), name);
}

void tune(GstBin*, GstBin*, GstElement* element, gpointer) {
    if (is_factory(element, "rtspsrc")) {
        g_object_set(element, "latency", 0u, "drop-on-latency", TRUE, nullptr);
    } else if (is_factory(element, "souphttpsrc")) {
        g_object_set(element, "is-live", TRUE, "do-timestamp", TRUE, nullptr);
    } else if (is_factory(element, "multipartdemux")) {
        // A camera's MJPEG stream is one stream: the decoder bin need not wait for more.
        g_object_set(element, "single-stream", TRUE, nullptr);
    } else if (has_property(element, "thread-type")) {
        // Frame threading delays each picture by a frame per thread; slices do not.
        gst_util_set_object_arg(G_OBJECT(element), "thread-type", "slice");
    }
}

// The factory list's type flags select decoders OR hardware elements, so the klass is checked
// here: ranking every video decoder up would put the software fallbacks (avdec_*) ahead of the
// decoders GStreamer prefers, jpegdec among them, at a third more CPU per picture.
bool is_hardware_decoder(GstPluginFeature* feature) {
    const gchar* klass =
        gst_element_factory_get_metadata(GST_ELEMENT_FACTORY(feature), GST_ELEMENT_METADATA_KLASS);
    return klass && strstr(klass, "Hardware") && strstr(klass, "Decoder");
}
}  // namespace

void prefer_hardware_decoders() {
    static std::once_flag once;
    std::call_once(once, [] {
        const GstObjectListPtr decoders(gst_element_factory_list_get_elements(
            GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO,
            GST_RANK_NONE));
        for (GList* d = decoders.get(); d; d = d->next) {
            auto* feature = GST_PLUGIN_FEATURE(d->data);
            if (is_hardware_decoder(feature))
                gst_plugin_feature_set_rank(feature, GST_RANK_PRIMARY + 1);
        }
    });
}

void tune_elements_of(GstElement* pipeline) {
    g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(&tune), nullptr);
}

}  // namespace low_latency
