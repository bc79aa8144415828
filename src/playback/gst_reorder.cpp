// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
//
// MPEG-4 part 2 video with B-frames in AVI (the usual XviD / DivX file). AVI has
// no presentation times: every chunk is stamped with its place in decode order,
// and the demuxer passes that on as the timestamp of key frames. The decoder then
// stamps each key frame one or two frames early and derives the frames after it
// from there, so times slip by a frame at every key frame. We give the decoder
// the true time of every frame instead, worked out from the frame types:
//
//   decode order   I0 P3 B1 B2 P6 B4 B5 ...   (chunk n stamped n frames)
//   a B-frame is shown one frame before its chunk time;
//   an I- or P-frame is shown one frame before the chunk time of the next I/P.
//
// An I/P frame is therefore held back, with the B-frames that follow it, until
// the next I/P frame arrives. Seeks have a second problem: the B-frames that
// follow a key frame in decode order are shown before it and need the frame
// before the key frame, so a seek into them must start at an earlier key frame.
// The graph seeks a few frames early and the timeline moves the video segment's
// start back to the position asked for, keeping running times unchanged.

#include <gst/video/video.h>

#include <cstring>
#include <string_view>

#include "playback/gst_filters.h"

namespace frivo::gst {

namespace {

// Set while the reorder probe passes its own held buffers on, so the probe lets
// them through.
thread_local bool t_releasing = false;

// 0 I, 1 P, 2 B, 3 S (sprite, decoded like P); -1 when the buffer holds no VOP.
int VopCodingType(GstBuffer* buffer) {
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return -1;
  int type = -1;
  for (gsize i = 0; i + 4 < map.size; ++i) {
    if (map.data[i] == 0 && map.data[i + 1] == 0 && map.data[i + 2] == 1 &&
        map.data[i + 3] == 0xB6) {
      type = map.data[i + 4] >> 6;
      break;
    }
  }
  gst_buffer_unmap(buffer, &map);
  return type;
}

bool IsMpeg4Part2(const GstCaps* caps) {
  if (!caps || gst_caps_is_empty(caps)) return false;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  const std::string_view name = gst_structure_get_name(s);
  int version = 0;
  if (name == "video/mpeg")
    return gst_structure_get_int(s, "mpegversion", &version) && version == 4;
  if (name == "video/x-divx")
    return gst_structure_get_int(s, "divxversion", &version) && version >= 4;
  return name == "video/x-xvid" || name == "video/x-3ivx";
}

// The held frames of one decoder input.
struct Reorder {
  std::mutex mutex;                   // guards held: flushes come from the seeking thread
  std::vector<GstBuffer*> held;       // an I/P frame, then the B-frames after it
  std::int64_t frameNs = 40'000'000;  // streaming thread only

  ~Reorder() { Drop(); }

  void Drop() {
    std::lock_guard lock(mutex);
    for (GstBuffer* buffer : held) gst_buffer_unref(buffer);
    held.clear();
  }

  // Sends the held frames on; `nextReferenceNs` is the chunk time of the I/P
  // frame after them.
  GstFlowReturn Release(GstPad* pad, std::int64_t nextReferenceNs) {
    std::vector<GstBuffer*> out;
    {
      std::lock_guard lock(mutex);
      out.swap(held);
    }
    GstFlowReturn result = GST_FLOW_OK;
    t_releasing = true;
    for (size_t i = 0; i < out.size(); ++i) {
      GstBuffer* buffer = out[i];
      const std::int64_t chunk = static_cast<std::int64_t>(GST_BUFFER_DTS(buffer));
      const std::int64_t shown = (i == 0 ? nextReferenceNs : chunk) - frameNs;
      GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(std::max<std::int64_t>(shown, 0));
      // Decode times would now lie after the presentation times; the decoder
      // needs none.
      GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
      if (result == GST_FLOW_OK) {
        result = gst_pad_chain(pad, buffer);
      } else {
        gst_buffer_unref(buffer);
      }
    }
    t_releasing = false;
    return result;
  }

  GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info) {
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!GST_BUFFER_DTS_IS_VALID(buffer)) return GST_PAD_PROBE_OK;
    if (GST_BUFFER_DURATION_IS_VALID(buffer) && GST_BUFFER_DURATION(buffer) > 0)
      frameNs = static_cast<std::int64_t>(GST_BUFFER_DURATION(buffer));
    const int type = VopCodingType(buffer);
    if (type < 0) return GST_PAD_PROBE_OK;  // headers only, or not a VOP
    bool holding = false;
    {
      std::lock_guard lock(mutex);
      holding = !held.empty();
    }
    if (type == 2) {
      buffer = gst_buffer_make_writable(buffer);
      if (!holding) {
        // A B-frame without its I/P frame (the first after a seek): it cannot be
        // decoded and is dropped by the decoder; give it its time anyway.
        const std::int64_t shown = static_cast<std::int64_t>(GST_BUFFER_DTS(buffer)) - frameNs;
        GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(std::max<std::int64_t>(shown, 0));
        GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        return GST_PAD_PROBE_OK;
      }
      std::lock_guard lock(mutex);
      held.push_back(buffer);
      return GST_PAD_PROBE_HANDLED;
    }
    const auto chunk = static_cast<std::int64_t>(GST_BUFFER_DTS(buffer));
    GstFlowReturn result = GST_FLOW_OK;
    if (holding) result = Release(pad, chunk);
    {
      std::lock_guard lock(mutex);
      held.push_back(gst_buffer_make_writable(buffer));
    }
    GST_PAD_PROBE_INFO_FLOW_RETURN(info) = result;
    return GST_PAD_PROBE_HANDLED;
  }

  GstPadProbeReturn OnEvent(GstPad* pad, GstEvent* event) {
    switch (GST_EVENT_TYPE(event)) {
      case GST_EVENT_FLUSH_STOP:
        Drop();
        break;
      case GST_EVENT_EOS:
      case GST_EVENT_SEGMENT_DONE: {
        std::int64_t next = -1;
        {
          std::lock_guard lock(mutex);
          if (!held.empty())
            next = static_cast<std::int64_t>(GST_BUFFER_DTS(held.back())) + frameNs;
        }
        if (next >= 0) (void)Release(pad, next);
        break;
      }
      default:
        break;
    }
    return GST_PAD_PROBE_OK;
  }

  static GstPadProbeReturn Probe(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    if (t_releasing) return GST_PAD_PROBE_OK;
    auto* self = static_cast<Reorder*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) return self->OnBuffer(pad, info);
    if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info)) return self->OnEvent(pad, event);
    return GST_PAD_PROBE_OK;
  }
  static void Free(gpointer data) { delete static_cast<Reorder*>(data); }
};

GQuark ReorderQuark() {
  static const GQuark quark = g_quark_from_static_string("frivo-reorder");
  return quark;
}

struct ReorderWatch {
  std::shared_ptr<Timeline> timeline;
  static void Free(gpointer data) { delete static_cast<ReorderWatch*>(data); }
};

// On a video decoder's input: once its caps say MPEG-4 part 2 from an AVI file,
// the reorder probe goes in front of it.
GstPadProbeReturn OnDecoderCaps(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (!event || GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  auto* watch = static_cast<ReorderWatch*>(data);
  GstCaps* caps = nullptr;
  gst_event_parse_caps(event, &caps);
  if (!watch->timeline->aviSource.load() || !IsMpeg4Part2(caps)) return GST_PAD_PROBE_OK;
  if (g_object_get_qdata(G_OBJECT(pad), ReorderQuark())) return GST_PAD_PROBE_OK;
  g_object_set_qdata(G_OBJECT(pad), ReorderQuark(), GINT_TO_POINTER(1));
  gst_pad_add_probe(
      pad,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH),
      &Reorder::Probe, new Reorder, &Reorder::Free);
  watch->timeline->reordered.store(true);
  return GST_PAD_PROBE_OK;
}

}  // namespace

void WatchDecoderForReorder(GstElement* decoder, const std::shared_ptr<Timeline>& timeline) {
  PadPtr sink(gst_element_get_static_pad(decoder, "sink"));
  if (!sink) return;
  gst_pad_add_probe(sink.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnDecoderCaps,
                    new ReorderWatch{timeline}, &ReorderWatch::Free);
}

}  // namespace frivo::gst
