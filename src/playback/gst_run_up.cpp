// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/gst_run_up.h"

#include <cstring>
#include <mutex>
#include <string_view>

#include "playback/gst_ptr.h"

namespace frivo::gst {

namespace {

// NAL unit types of coded slices (1: non-IDR, 5: IDR).
bool IsSliceNal(std::uint8_t header) {
  const int type = header & 0x1F;
  return type == 1 || type == 5;
}

// One decoder input: how its access units are framed, and the segment start
// frames are clipped against. Streaming thread only, except through the probe.
struct DecoderInput {
  std::shared_ptr<RunUpState> state;
  std::mutex mutex;  // guards the fields below: caps and segments come with flushes
  bool h264 = false;
  int lengthSize = 0;              // 0: Annex B byte stream
  std::int64_t segmentStart = -1;  // buffer time of the last time segment's start
  std::int64_t lastKeyNs = -1;

  void OnCaps(GstCaps* caps) {
    std::lock_guard lock(mutex);
    h264 = false;
    if (!caps || gst_caps_is_empty(caps)) return;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    if (std::string_view(gst_structure_get_name(s)) != "video/x-h264") return;
    const char* format = gst_structure_get_string(s, "stream-format");
    const char* alignment = gst_structure_get_string(s, "alignment");
    // Only whole access units can be left out.
    if (alignment && std::string_view(alignment) != "au") return;
    lengthSize = 0;
    if (format && std::string_view(format) == "avc") {
      const GValue* value = gst_structure_get_value(s, "codec_data");
      GstBuffer* codecData = value ? gst_value_get_buffer(value) : nullptr;
      std::uint8_t config[5] = {};
      if (!codecData || gst_buffer_extract(codecData, 0, config, 5) != 5) return;
      lengthSize = (config[4] & 0x03) + 1;
    } else if (format && std::string_view(format) != "byte-stream") {
      return;
    }
    h264 = true;
  }

  void OnSegment(const GstSegment* segment) {
    std::lock_guard lock(mutex);
    segmentStart = segment->format == GST_FORMAT_TIME && segment->rate > 0
                       ? static_cast<std::int64_t>(segment->start)
                       : -1;
  }

  [[nodiscard]] bool Skip(GstBuffer* buffer) {
    const bool key = !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    const std::int64_t pts =
        GST_BUFFER_PTS_IS_VALID(buffer) ? static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)) : -1;
    int size = 0;
    {
      std::lock_guard lock(mutex);
      if (key && pts >= 0) {
        if (lastKeyNs >= 0 && pts > lastKeyNs &&
            pts - lastKeyNs > state->keyFrameSpacingNs.load(std::memory_order_relaxed))
          state->keyFrameSpacingNs.store(pts - lastKeyNs, std::memory_order_relaxed);
        lastKeyNs = pts;
      }
      // A frame is thrown away after decoding when it ends before the segment;
      // one whose end is unknown is kept.
      if (!h264 || key || pts < 0 || segmentStart < 0 || !GST_BUFFER_DURATION_IS_VALID(buffer) ||
          pts + static_cast<std::int64_t>(GST_BUFFER_DURATION(buffer)) > segmentStart)
        return false;
      size = lengthSize;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return false;
    const bool skip = IsNonReferenceH264(map.data, map.size, size);
    gst_buffer_unmap(buffer, &map);
    if (skip) state->skipped.fetch_add(1, std::memory_order_relaxed);
    return skip;
  }

  static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* self = static_cast<DecoderInput*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER)
      return self->Skip(GST_PAD_PROBE_INFO_BUFFER(info)) ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event) return GST_PAD_PROBE_OK;
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
      GstCaps* caps = nullptr;
      gst_event_parse_caps(event, &caps);
      self->OnCaps(caps);
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
      const GstSegment* segment = nullptr;
      gst_event_parse_segment(event, &segment);
      self->OnSegment(segment);
    }
    return GST_PAD_PROBE_OK;
  }
  static void Free(gpointer data) { delete static_cast<DecoderInput*>(data); }
};

bool IsVideoDecoder(GstElement* element) {
  GstElementFactory* factory = gst_element_get_factory(element);
  const char* klass =
      factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
  return klass && std::strstr(klass, "Decoder") && std::strstr(klass, "Video");
}

}  // namespace

bool IsNonReferenceH264(const std::uint8_t* data, std::size_t size, int lengthSize) {
  bool slices = false;
  auto look = [&](const std::uint8_t* nal, std::size_t length) {
    if (length == 0 || !IsSliceNal(nal[0])) return true;
    slices = true;
    return (nal[0] & 0x60) == 0;  // nal_ref_idc
  };
  if (lengthSize > 0) {
    std::size_t at = 0;
    while (at + static_cast<std::size_t>(lengthSize) <= size) {
      std::size_t length = 0;
      for (int i = 0; i < lengthSize; ++i) length = (length << 8) | data[at + i];
      at += static_cast<std::size_t>(lengthSize);
      if (length > size - at) return false;  // damaged: decode it as it is
      if (!look(data + at, length)) return false;
      at += length;
    }
    return slices;
  }
  // Annex B: a NAL unit follows every 00 00 01.
  for (std::size_t i = 0; i + 3 < size; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      if (!look(data + i + 3, size - i - 3)) return false;
      i += 2;
    }
  }
  return slices;
}

std::shared_ptr<RunUpState> InstallRunUpSkip(GstElement* anyElement) {
  if (!anyElement) return nullptr;
  ElementPtr top = Ref(anyElement);
  while (GstObject* parent = gst_object_get_parent(GST_OBJECT(top.get())))
    top.reset(GST_ELEMENT(parent));
  if (!GST_IS_BIN(top.get())) return nullptr;
  IteratorPtr it(gst_bin_iterate_recurse(GST_BIN(top.get())));
  GValue item = G_VALUE_INIT;
  ElementPtr decoder;
  while (!decoder && gst_iterator_next(it.get(), &item) == GST_ITERATOR_OK) {
    auto* element = GST_ELEMENT(g_value_get_object(&item));
    if (IsVideoDecoder(element)) decoder = Ref(element);
    g_value_reset(&item);
  }
  g_value_unset(&item);
  if (!decoder) return nullptr;
  PadPtr sink(gst_element_get_static_pad(decoder.get(), "sink"));
  if (!sink) return nullptr;
  auto* input = new DecoderInput;
  input->state = std::make_shared<RunUpState>();
  std::shared_ptr<RunUpState> state = input->state;
  // The caps and segment already on the pad passed before the probe was there.
  if (CapsPtr caps{gst_pad_get_current_caps(sink.get())}) input->OnCaps(caps.get());
  if (EventPtr segment{gst_pad_get_sticky_event(sink.get(), GST_EVENT_SEGMENT, 0)}) {
    const GstSegment* s = nullptr;
    gst_event_parse_segment(segment.get(), &s);
    input->OnSegment(s);
  }
  gst_pad_add_probe(
      sink.get(),
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      &DecoderInput::Probe, input, &DecoderInput::Free);
  return state;
}

}  // namespace frivo::gst
