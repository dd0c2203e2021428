#pragma once

#include <gst/gst.h>

#include <QObject>
#include <functional>

#include "platform/gst/gst_ptr.h"

// Brings what a pipeline reports from its streaming threads (end of stream, errors) over to the
// thread that made the relay, as ordinary events of that thread's event loop: the program's one
// thread sees device events between its handlers, never inside them. Messages of other types
// are taken off the bus and dropped, so nothing piles up there.
class GstBusRelay {
  public:
    using Handler = std::function<void(GstMessage* message)>;

    // `wanted` is a mask of GstMessageType values.
    GstBusRelay(GstElement* pipeline, int wanted, Handler handler);
    // Only once the pipeline is in NULL: no streaming thread may post any more.
    ~GstBusRelay();
    GstBusRelay(const GstBusRelay&) = delete;
    GstBusRelay& operator=(const GstBusRelay&) = delete;

    // Runs a function later as an event of the relay's thread, unless the relay is gone by then.
    void post(std::function<void()> event);
    // Throws away what is waiting: it belongs to something that has since been stopped.
    void discard_pending();

  private:
    static gboolean on_message(GstBus* bus, GstMessage* message, gpointer relay);

    GstBusPtr bus_;
    int wanted_;
    Handler handler_;
    QObject context_;
    guint watch_ = 0;
};
