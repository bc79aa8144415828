// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Owners for GLib / GStreamer references. Only files inside playback/ include
// this header (nothing else may see GStreamer).

#include <gst/gst.h>

#include <memory>
#include <utility>

namespace frivo::gst {

struct ObjectUnref {
  void operator()(gpointer p) const { gst_object_unref(p); }
};
struct MiniObjectUnref {
  void operator()(gpointer p) const { gst_mini_object_unref(GST_MINI_OBJECT_CAST(p)); }
};
struct GFree {
  void operator()(gpointer p) const { g_free(p); }
};
struct ErrorFree {
  void operator()(GError* p) const { g_error_free(p); }
};
struct IteratorFree {
  void operator()(GstIterator* p) const { gst_iterator_free(p); }
};
struct PluginListFree {
  void operator()(GList* p) const { gst_plugin_feature_list_free(p); }
};

// A GstObject subclass (element, pad, bus, factory ...).
template <class T>
using ObjectPtr = std::unique_ptr<T, ObjectUnref>;
using ElementPtr = ObjectPtr<GstElement>;
using PadPtr = ObjectPtr<GstPad>;
using BusPtr = ObjectPtr<GstBus>;
using FactoryPtr = ObjectPtr<GstElementFactory>;

// Mini objects (caps, buffers, samples, events, messages, queries).
template <class T>
using MiniPtr = std::unique_ptr<T, MiniObjectUnref>;
using CapsPtr = MiniPtr<GstCaps>;
using BufferPtr = MiniPtr<GstBuffer>;
using SamplePtr = MiniPtr<GstSample>;
using EventPtr = MiniPtr<GstEvent>;
using MessagePtr = MiniPtr<GstMessage>;

using CharPtr = std::unique_ptr<gchar, GFree>;
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;
using IteratorPtr = std::unique_ptr<GstIterator, IteratorFree>;
using FeatureListPtr = std::unique_ptr<GList, PluginListFree>;

// Takes a new reference to an object the caller only borrows.
template <class T>
[[nodiscard]] ObjectPtr<T> Ref(T* object) {
  return ObjectPtr<T>(object ? static_cast<T*>(gst_object_ref(object)) : nullptr);
}

// Makes an element; a floating reference is sunk so the pointer owns it.
[[nodiscard]] inline ElementPtr MakeElement(const char* factory, const char* name = nullptr) {
  GstElement* element = gst_element_factory_make(factory, name);
  if (element) gst_object_ref_sink(element);
  return ElementPtr(element);
}

// GStreamer is initialised once per process, on first use.
void EnsureInitialized();
// Initialises GStreamer and loads the plugin holding the software decoders
// (its libraries and codec registrations), so that the first graph finds them
// ready. Safe on any thread; a missing plugin is left to the open to report.
void LoadDecoders();
// Initialises GStreamer and loads the small plugins an open uses first
// (source, type finding, the usual demuxers and parsers).
void LoadOpenPlugins();

}  // namespace frivo::gst
