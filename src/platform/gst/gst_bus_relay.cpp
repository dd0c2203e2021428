#include "platform/gst/gst_bus_relay.h"

// The bus is watched from the main loop of the thread that makes the relay (Qt runs GLib's
// main context there), so each message is handled once it is on the bus, never before.
GstBusRelay::GstBusRelay(GstElement* pipeline, int wanted, Handler handler)
    : bus_(gst_element_get_bus(pipeline)), wanted_(wanted), handler_(std::move(handler)) {
    watch_ = gst_bus_add_watch(bus_.get(), &GstBusRelay::on_message, this);
}

// The watch goes before the bus reference does.
GstBusRelay::~GstBusRelay() {
    if (watch_ != 0) g_source_remove(watch_);
}

gboolean GstBusRelay::on_message(GstBus*, GstMessage* message, gpointer relay) {
    auto* self = static_cast<GstBusRelay*>(relay);
    if ((GST_MESSAGE_TYPE(message) & self->wanted_) != 0) self->handler_(message);
    return G_SOURCE_CONTINUE;
}

void GstBusRelay::post(std::function<void()> event) {
    QMetaObject::invokeMethod(&context_, std::move(event), Qt::QueuedConnection);
}

void GstBusRelay::discard_pending() {
    while (GstMessagePtr(gst_bus_pop(bus_.get()))) {
    }
}
