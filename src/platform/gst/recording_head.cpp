#include "platform/gst/recording_head.h"

#include "platform/gst/gst_ptr.h"

namespace recording_head {
namespace {
bool is_pictures(GstPad* pad) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    if (!caps) caps.reset(gst_pad_query_caps(pad, nullptr));
    const GstStructure* structure = gst_caps_get_structure(caps.get(), 0);
    if (!structure) return false;
    const gchar* name = gst_structure_get_name(structure);
    return g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/");
}

// The parser offers a pad per stream of the file: the first one with pictures is decoded, sound
// and further streams are left unlinked.
void on_parsed_pad(GstElement*, GstPad* pad, gpointer decoder) {
    const GstPadPtr sink_pad(gst_element_get_static_pad(GST_ELEMENT(decoder), "sink"));
    if (!gst_pad_is_linked(sink_pad.get()) && is_pictures(pad)) gst_pad_link(pad, sink_pad.get());
}

// The decoded pictures leave the head through a pad of its own.
void on_decoded_pad(GstElement*, GstPad* pad, gpointer head) {
    GstPad* ghost = gst_ghost_pad_new(nullptr, pad);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(GST_ELEMENT(head), ghost);
}
}  // namespace

GstElement* make(const QString& path) {
    const GstElementPtr source = sunk(gst_element_factory_make("filesrc", nullptr));
    const GstElementPtr parser = sunk(gst_element_factory_make("parsebin", nullptr));
    const GstElementPtr decoder = sunk(gst_element_factory_make("decodebin", nullptr));
    if (!source || !parser || !decoder) return nullptr;
    g_object_set(source.get(), "location", path.toUtf8().constData(), nullptr);
    GstElement* head = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(head), source.get(), parser.get(), decoder.get(), nullptr);
    gst_element_link(source.get(), parser.get());
    g_signal_connect(parser.get(), "pad-added", G_CALLBACK(&on_parsed_pad), decoder.get());
    g_signal_connect(decoder.get(), "pad-added", G_CALLBACK(&on_decoded_pad), head);
    return head;
}

}  // namespace recording_head
