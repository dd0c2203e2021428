#include "platform/gst/gst_bus_relay.h"

GstBusRelay::GstBusRelay(GstElement* pipeline, int wanted, Handler handler)
    : bus_(gst_element_get_bus(pipeline)), wanted_(wanted), handler_(std::move(handler)) {
    gst_bus_set_sync_handler(bus_, &GstBusRelay::on_message, this, nullptr);
}

GstBusRelay::~GstBusRelay() {
    gst_bus_set_sync_handler(bus_, nullptr, nullptr, nullptr);
    gst_object_unref(bus_);
}

// Runs on whichever thread posted the message.
GstBusSyncReply GstBusRelay::on_message(GstBus*, GstMessage* message, gpointer relay) {
    auto* self = static_cast<GstBusRelay*>(relay);
    if ((GST_MESSAGE_TYPE(message) & self->wanted_) == 0) return GST_BUS_DROP;
    if (!self->delivery_queued_.exchange(true)) {
        QMetaObject::invokeMethod(
            &self->context_, [self] { self->deliver_pending(); }, Qt::QueuedConnection);
    }
    return GST_BUS_PASS;
}

void GstBusRelay::deliver_pending() {
    delivery_queued_ = false;
    // The handler may stop the pipeline or discard what waits; each message is taken afresh.
    while (GstMessage* message = gst_bus_pop(bus_)) {
        handler_(message);
        gst_message_unref(message);
    }
}

void GstBusRelay::post(std::function<void()> event) {
    QMetaObject::invokeMethod(&context_, std::move(event), Qt::QueuedConnection);
}

void GstBusRelay::discard_pending() {
    while (GstMessage* message = gst_bus_pop(bus_)) gst_message_unref(message);
}
