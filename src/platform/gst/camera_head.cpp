#include "platform/gst/camera_head.h"

#include "platform/gst/camera_modes.h"
#include "platform/gst/gst_ptr.h"

namespace camera_head {
namespace {
bool carries_pictures(const gchar* media_type, bool compressed_too) {
    return g_str_has_prefix(media_type, "video/") ||
           (compressed_too && g_str_has_prefix(media_type, "image/"));
}

// A decoder or parser offers a pad per stream it finds: the first stream with pictures is the one
// we show; sound and further streams are left unlinked.
void link_if_first_pictures(GstPad* pad, GstElement* next, bool compressed_too) {
    const GstPadPtr sink_pad(gst_element_get_static_pad(next, "sink"));
    if (gst_pad_is_linked(sink_pad.get())) return;
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    if (!caps) caps.reset(gst_pad_query_caps(pad, nullptr));
    const GstStructure* structure = gst_caps_get_structure(caps.get(), 0);
    if (structure && carries_pictures(gst_structure_get_name(structure), compressed_too))
        gst_pad_link(pad, sink_pad.get());
}

void on_decoded_pad(GstElement*, GstPad* pad, gpointer next) {
    link_if_first_pictures(pad, GST_ELEMENT(next), false);
}

void on_parsed_pad(GstElement*, GstPad* pad, gpointer decoder) {
    link_if_first_pictures(pad, GST_ELEMENT(decoder), true);
}
}  // namespace

// A device gives what it has: raw pictures go straight on, compressed ones through their
// decoder.
bool link(GstBin* bin, GstElement* device, const std::optional<CameraMode>& mode,
          GstElement* next) {
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    const char* decoder_name = mode ? camera_modes::decoder_for(*mode) : "decodebin";
    GstElement* decoder = decoder_name ? gst_element_factory_make(decoder_name, nullptr) : nullptr;
    for (GstElement* element : {filter, decoder}) {
        if (element) gst_bin_add(bin, element);
    }
    if (!filter || (decoder_name && !decoder)) return false;
    const GstCapsPtr caps = mode ? camera_modes::caps_of(*mode)
                                 : GstCapsPtr(gst_caps_from_string("video/x-raw; image/jpeg"));
    g_object_set(filter, "caps", caps.get(), nullptr);
    if (!gst_element_link(device, filter)) return false;
    if (!decoder) return gst_element_link(filter, next);
    if (!gst_element_link(filter, decoder)) return false;
    if (GST_IS_BIN(decoder)) {
        link_first_video_pad(decoder, next);
        return true;
    }
    return gst_element_link(decoder, next);
}

void link_first_video_pad(GstElement* decoder, GstElement* next) {
    g_signal_connect(decoder, "pad-added", G_CALLBACK(&on_decoded_pad), next);
}

void link_first_picture_stream(GstElement* parser, GstElement* decoder) {
    g_signal_connect(parser, "pad-added", G_CALLBACK(&on_parsed_pad), decoder);
}

}  // namespace camera_head
