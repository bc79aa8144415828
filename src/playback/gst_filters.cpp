// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/gst_filters.h"

#include <dlfcn.h>
#include <gst/video/video.h>

#include <mutex>
#include <string_view>

namespace frivo::gst {

void EnsureInitialized() {
  static std::once_flag once;
  std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

void LoadOpenPlugins() {
  EnsureInitialized();
  static constexpr const char* kOpenPlugins[] = {
      "coreelements", "app", "playback",        "typefindfunctions", "isomp4",
      "matroska",     "avi", "videoparsersbad", "videoconvertscale", "videofilter"};
  for (const char* name : kOpenPlugins)
    if (GstPlugin* plugin = gst_plugin_load_by_name(name)) gst_object_unref(plugin);
}

void LoadDecoders() {
  // The process loads one library at a time, and the decoder plugin's
  // libraries take about 0.1 s. The small plugins an open uses first are
  // loaded before them, so that the open can go on while the decoders load.
  LoadOpenPlugins();
  GstPlugin* plugin = gst_registry_find_plugin(gst_registry_get(), "libav");
  if (!plugin) return;
  // The decoder plugin's libraries are mapped outside GStreamer's plugin lock,
  // which every plugin load takes; the registration after it is short. The
  // module stays loaded, as GStreamer never unloads a plugin either.
  if (const gchar* file = gst_plugin_get_filename(plugin))
    (void)dlopen(file, RTLD_LAZY | RTLD_LOCAL);
  gst_object_unref(plugin);
  if (GstPlugin* loaded = gst_plugin_load_by_name("libav")) gst_object_unref(loaded);
}

namespace {

GQuark FilterQuark() {
  static const GQuark quark = g_quark_from_static_string("frivo-filter");
  return quark;
}

}  // namespace

bool StampFrame(GstPad* pad, GstBuffer* buffer, FrameStamp* stamp, std::int64_t fallbackNominalNs,
                Timeline* timeline) {
  if (!GST_BUFFER_PTS_IS_VALID(buffer)) return false;
  EventPtr segmentEvent(gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0));
  if (!segmentEvent) return false;
  const GstSegment* segment = nullptr;
  gst_event_parse_segment(segmentEvent.get(), &segment);
  if (segment->format != GST_FORMAT_TIME) return false;

  std::int64_t nominal = -1;
  if (CapsPtr caps{gst_pad_get_current_caps(pad)}) {
    const GstStructure* s = gst_caps_get_structure(caps.get(), 0);
    int num = 0;
    int den = 0;
    if (gst_structure_get_fraction(s, "framerate", &num, &den) && num > 0 && den > 0) {
      nominal = static_cast<std::int64_t>(gst_util_uint64_scale_int_round(GST_SECOND, den, num));
    }
  }
  if (nominal <= 0) nominal = fallbackNominalNs;
  const auto pts = static_cast<std::int64_t>(GST_BUFFER_PTS(buffer));
  const std::int64_t duration = GST_BUFFER_DURATION_IS_VALID(buffer)
                                    ? static_cast<std::int64_t>(GST_BUFFER_DURATION(buffer))
                                    : -1;
  const auto segmentStart = static_cast<std::int64_t>(segment->start);
  stamp->startNs = TrueFrameStartNs(pts, duration, segmentStart, nominal);
  if (timeline && duration > 0 && std::llabs(pts - segmentStart) <= kTimeToleranceNs) {
    if (const std::int64_t start = timeline->StartOfFrameEndingAt(pts + duration);
        start >= 0 && start <= pts)
      stamp->startNs = start;
  }
  // Unevenly spaced frames have no one nominal duration: each keeps its own.
  if (timeline && timeline->variableRate.load() && duration > 0)
    nominal = pts + duration - stamp->startNs;
  const SegmentTimes times{segmentStart, static_cast<std::int64_t>(segment->time),
                           segment->applied_rate};
  stamp->streamStartNs = ToMediaTimeNs(times, stamp->startNs);
  stamp->durationNs = nominal;
  stamp->segmentStartNs = segmentStart;
  stamp->segmentSeqnum = gst_event_get_seqnum(segmentEvent.get());
  return true;
}

// ---- ElementFilter ----

ElementFilter::ElementFilter(ElementPtr element) : element_(std::move(element)) {
  if (element_ && !g_object_get_qdata(G_OBJECT(element_.get()), FilterQuark())) {
    g_object_set_qdata(G_OBJECT(element_.get()), FilterQuark(), this);
  }
}

ElementFilter::~ElementFilter() {
  if (element_ && g_object_get_qdata(G_OBJECT(element_.get()), FilterQuark()) == this) {
    g_object_set_qdata(G_OBJECT(element_.get()), FilterQuark(), nullptr);
  }
}

ElementFilter* ElementFilter::FromElement(GstElement* element) {
  if (!element) return nullptr;
  return static_cast<ElementFilter*>(g_object_get_qdata(G_OBJECT(element), FilterQuark()));
}

ComPtr<IBaseFilter> ElementFilter::Wrap(GstElement* element) {
  if (!element) return {};
  if (ElementFilter* known = FromElement(element)) return ComPtr<IBaseFilter>(known);
  return ComPtr<IBaseFilter>::Attach(new ElementFilter(Ref(element)));
}

HRESULT ElementFilter::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IBaseFilter::kIid) {
    *object = static_cast<IBaseFilter*>(this);
  } else if (iid == IUnknown::kIid) {  // IUnknown
    *object = static_cast<IUnknown*>(static_cast<IBaseFilter*>(this));
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ElementFilter::Release() {
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT ElementFilter::EnumPins(std::vector<ComPtr<IPin>>* pins) {
  if (!pins) return E_POINTER;
  pins->clear();
  IteratorPtr it(gst_element_iterate_pads(element_.get()));
  GValue item = G_VALUE_INIT;
  bool done = false;
  while (!done) {
    switch (gst_iterator_next(it.get(), &item)) {
      case GST_ITERATOR_OK:
        pins->push_back(ComPtr<IPin>::Attach(new PadPin(GST_PAD(g_value_get_object(&item)))));
        g_value_reset(&item);
        break;
      case GST_ITERATOR_RESYNC:
        pins->clear();
        gst_iterator_resync(it.get());
        break;
      default:
        done = true;
        break;
    }
  }
  g_value_unset(&item);
  return S_OK;
}

HRESULT ElementFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  CharPtr name(gst_object_get_name(GST_OBJECT(element_.get())));
  info->achName = QString::fromUtf8(name.get());
  return S_OK;
}

// ---- PadPin ----

PadPin::PadPin(GstPad* pad) : pad_(Ref(pad)) {}

HRESULT PadPin::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IPin::kIid && iid != IUnknown::kIid) return E_NOINTERFACE;
  *object = static_cast<IPin*>(this);
  AddRef();
  return S_OK;
}

ULONG PadPin::Release() {
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT PadPin::QueryDirection(PIN_DIRECTION* dir) {
  if (!dir) return E_POINTER;
  *dir = GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SRC ? PINDIR_OUTPUT : PINDIR_INPUT;
  return S_OK;
}

HRESULT PadPin::ConnectedTo(IPin** peer) {
  if (!peer) return E_POINTER;
  if (*peer) (*peer)->Release();
  *peer = nullptr;
  PadPtr other(gst_pad_get_peer(pad_.get()));
  if (!other) return VFW_E_NOT_CONNECTED;
  *peer = new PadPin(other.get());
  return S_OK;
}

void StopPipelineOf(GstObject* object) {
  GstObject* top = object;
  while (GstObject* parent = GST_OBJECT_PARENT(top)) top = parent;
  if (!GST_IS_PIPELINE(top)) return;
  GstState state = GST_STATE_NULL;
  gst_element_get_state(GST_ELEMENT(top), &state, nullptr, 0);
  if (state > GST_STATE_READY || GST_STATE_TARGET(GST_ELEMENT(top)) > GST_STATE_READY) {
    gst_element_set_state(GST_ELEMENT(top), GST_STATE_READY);
  }
}

HRESULT PadPin::Disconnect() {
  PadPtr other(gst_pad_get_peer(pad_.get()));
  if (!other) return S_FALSE;
  StopPipelineOf(GST_OBJECT(pad_.get()));
  const bool isSource = GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SRC;
  const gboolean ok =
      isSource ? gst_pad_unlink(pad_.get(), other.get()) : gst_pad_unlink(other.get(), pad_.get());
  return ok ? S_OK : E_FAIL;
}

HRESULT PadPin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  ElementPtr parent(gst_pad_get_parent_element(pad_.get()));
  info->pFilter = parent ? ElementFilter::Wrap(parent.get()) : ComPtr<IBaseFilter>();
  QueryDirection(&info->dir);
  CharPtr name(gst_pad_get_name(pad_.get()));
  info->achName = QString::fromUtf8(name.get());
  return S_OK;
}

AM_MEDIA_TYPE MediaTypeFromCaps(const GstCaps* caps) {
  AM_MEDIA_TYPE type;
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return type;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  const char* name = gst_structure_get_name(s);
  if (g_str_has_prefix(name, "audio/")) {
    type.majortype = MEDIATYPE_Audio;
    return type;
  }
  if (!g_str_has_prefix(name, "video/") && !g_str_has_prefix(name, "image/")) return type;
  int width = 0;
  int height = 0;
  gst_structure_get_int(s, "width", &width);
  gst_structure_get_int(s, "height", &height);
  int num = 0;
  int den = 1;
  if (!gst_structure_get_fraction(s, "framerate", &num, &den)) num = 0;
  type = MakeRgb24VideoType(width, height, AvgTimePerFrameFromRate(num, den));
  const char* format = gst_structure_get_string(s, "format");
  if (!format || std::string_view(format) != "BGR") {
    // Video, but not the packed 24-bit layout: keep the header, name no subtype.
    type.subtype =
        std::string_view(format ? format : "") == "BGRx" ? MEDIASUBTYPE_RGB32 : GUID_NULL;
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.format.data());
    GstVideoInfo video;
    if (gst_video_info_from_caps(&video, caps)) {
      info->bmiHeader.biBitCount = static_cast<std::uint16_t>(GST_VIDEO_INFO_COMP_DEPTH(&video, 0) *
                                                              GST_VIDEO_INFO_N_COMPONENTS(&video));
      info->bmiHeader.biSizeImage = static_cast<std::uint32_t>(GST_VIDEO_INFO_SIZE(&video));
      type.lSampleSize = info->bmiHeader.biSizeImage;
    }
  }
  return type;
}

HRESULT PadPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  PadPtr other(gst_pad_get_peer(pad_.get()));
  CapsPtr caps(gst_pad_get_current_caps(pad_.get()));
  if (!other || !caps) {
    *type = AM_MEDIA_TYPE();
    return VFW_E_NOT_CONNECTED;
  }
  *type = MediaTypeFromCaps(caps.get());
  return S_OK;
}

}  // namespace frivo::gst
