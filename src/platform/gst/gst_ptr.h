#pragma once

#include <gst/gst.h>

#include <memory>

// Owning pointers for GStreamer and GLib objects: each reference taken is released once, on
// every path out, without a hand-written unref.
namespace gst_ptr {

struct ObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct MessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
struct CapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct SampleUnref {
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};
struct StructureFree {
    void operator()(GstStructure* structure) const { gst_structure_free(structure); }
};
// A list that holds a reference to each of its objects (devices, plugin features).
struct ObjectListFree {
    void operator()(GList* list) const { g_list_free_full(list, gst_object_unref); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct Free {
    void operator()(gpointer memory) const { g_free(memory); }
};

}  // namespace gst_ptr

using GstElementPtr = std::unique_ptr<GstElement, gst_ptr::ObjectUnref>;
using GstBusPtr = std::unique_ptr<GstBus, gst_ptr::ObjectUnref>;
using GstPadPtr = std::unique_ptr<GstPad, gst_ptr::ObjectUnref>;
using GstDeviceMonitorPtr = std::unique_ptr<GstDeviceMonitor, gst_ptr::ObjectUnref>;
using GstMessagePtr = std::unique_ptr<GstMessage, gst_ptr::MessageUnref>;
using GstCapsPtr = std::unique_ptr<GstCaps, gst_ptr::CapsUnref>;
using GstSamplePtr = std::unique_ptr<GstSample, gst_ptr::SampleUnref>;
using GstStructurePtr = std::unique_ptr<GstStructure, gst_ptr::StructureFree>;
using GstObjectListPtr = std::unique_ptr<GList, gst_ptr::ObjectListFree>;
using GErrorPtr = std::unique_ptr<GError, gst_ptr::ErrorFree>;
using GCharPtr = std::unique_ptr<gchar, gst_ptr::Free>;

// Takes over the floating reference a new element comes with (gst_element_factory_make), for
// an element no bin owns.
inline GstElementPtr sunk(GstElement* floating) {
    return GstElementPtr(floating ? static_cast<GstElement*>(gst_object_ref_sink(floating))
                                  : nullptr);
}

// Receives a GError or a string through an out-parameter of a C call:
// `gst_parse_launch(text, out(error))`.
template <typename T, typename Deleter>
class OutPtr {
  public:
    explicit OutPtr(std::unique_ptr<T, Deleter>& owner) : owner_(owner) {}
    ~OutPtr() { owner_.reset(raw_); }
    operator T**() { return &raw_; }

  private:
    std::unique_ptr<T, Deleter>& owner_;
    T* raw_ = nullptr;
};
template <typename T, typename Deleter>
OutPtr<T, Deleter> out(std::unique_ptr<T, Deleter>& owner) {
    return OutPtr<T, Deleter>(owner);
}
