#include "platform/gst/recording_head.h"

#include "platform/gst/camera_head.h"
#include "platform/gst/gst_ptr.h"

namespace recording_head {
namespace {
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
    camera_head::link_first_picture_stream(parser.get(), decoder.get());
    g_signal_connect(decoder.get(), "pad-added", G_CALLBACK(&on_decoded_pad), head);
    return head;
}

}  // namespace recording_head
