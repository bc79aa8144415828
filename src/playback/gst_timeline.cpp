// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
//
// The file's timeline on the elements that playbin makes.
//
// - On every demuxer output: while the file opens, the first timestamp of each
//   audio and video stream (as stream time) is offered as the file's start, so
//   media time counts from where every other player counts from. A seek that
//   the graph started elsewhere than the position asked for has its segments
//   moved to that position here, on all streams alike, so audio and video keep
//   their running times in step.
// - mpegpsdemux gives its first segment a stream time of 0 at the first
//   timestamp but every later one (after a seek) the timestamps themselves;
//   its segments are made to agree with the later kind.
// - MPEG-1/2 video from program streams carries a timestamp on only some
//   pictures; the decoder then stamps the others wrongly. The missing ones are
//   filled in from each picture's temporal reference (its place in display
//   order within its group of pictures).

#include <gst/video/video.h>

#include <cstring>
#include <string_view>

#include "playback/gst_filters.h"

namespace frivo::gst {

void Timeline::RecordDecoderInput(std::int64_t startNs, std::int64_t endNs) {
  // Enough for any decoder's delay and reordering.
  constexpr std::size_t kKept = 64;
  const std::lock_guard<std::mutex> lock(inputMutex_);
  decoderInput_.emplace_back(startNs, endNs);
  if (decoderInput_.size() > kKept) decoderInput_.pop_front();
}

void Timeline::ForgetDecoderInput() {
  const std::lock_guard<std::mutex> lock(inputMutex_);
  decoderInput_.clear();
}

std::int64_t Timeline::StartOfFrameEndingAt(std::int64_t endNs) {
  const std::lock_guard<std::mutex> lock(inputMutex_);
  for (auto it = decoderInput_.rbegin(); it != decoderInput_.rend(); ++it)
    if (std::llabs(it->second - endNs) <= kTimeToleranceNs) return it->first;
  return -1;
}

void Timeline::OfferStart(std::int64_t streamTimeNs) {
  if (!measuring.load()) return;
  std::int64_t lowest = lowestStartNs.load();
  while (streamTimeNs < lowest && !lowestStartNs.compare_exchange_weak(lowest, streamTimeNs)) {
  }
}

void Timeline::FinishMeasuring() {
  measuring.store(false);
  const std::int64_t lowest = lowestStartNs.load();
  originNs.store(lowest == INT64_MAX ? 0 : lowest);
}

void Timeline::ExpectDemuxSegment(std::uint32_t seqnum, std::int64_t startNs,
                                  std::int64_t targetNs) {
  std::lock_guard lock(mutex);
  demuxPending = startNs != targetNs;
  demuxSeqnum = seqnum;
  demuxStartNs = startNs;
  demuxTargetNs = targetNs;
}

void Timeline::ExpectVideoSegment(std::int64_t seekStartNs, std::int64_t targetNs) {
  std::lock_guard lock(mutex);
  videoPending = seekStartNs < targetNs;
  videoSeekStartNs = seekStartNs;
  videoTargetNs = targetNs;
}

void Timeline::WatchLanding(std::uint32_t seqnum, std::int64_t latestNs, bool dropLate) {
  landingNs_.store(-1);
  landedLate_.store(false);
  landingLatestNs_.store(latestNs);
  dropLate_.store(dropLate);
  landingSeqnum_.store(seqnum);
}

bool Timeline::OnFrame(std::uint32_t seqnum, std::int64_t startNs) {
  if (seqnum == lateSeqnum_.load()) return false;
  const std::uint32_t watched = landingSeqnum_.load();
  if (watched == GST_SEQNUM_INVALID || landingNs_.load() >= 0)
    return seqnum != watched || !landedLate_.load();
  // Until the seek has landed, frames of earlier segments are leftovers in
  // flight before its flush.
  if (seqnum != watched) return false;
  // The first frame of the seek: the one containing the target or, from a
  // demuxer that started too late, one after it.
  const bool late = dropLate_.load() && startNs > landingLatestNs_.load() + kTimeToleranceNs;
  if (late) lateSeqnum_.store(seqnum);
  landedLate_.store(late);
  landingNs_.store(startNs);
  return !late;
}

namespace {

struct WatchData {
  std::shared_ptr<Timeline> timeline;
  bool programStream = false;  // the demuxer is mpegpsdemux
  // The demuxer starts its segments where the video starts, not where the
  // container says the file starts (MPEG program and transport streams).
  bool mpegSystem = false;
  static void Free(gpointer data) { delete static_cast<WatchData*>(data); }
};

bool IsAudioOrVideo(GstPad* pad) {
  CapsPtr caps(gst_pad_get_current_caps(pad));
  if (!caps || gst_caps_is_empty(caps.get())) return false;
  const char* name = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
  return g_str_has_prefix(name, "audio/") || g_str_has_prefix(name, "video/") ||
         g_str_has_prefix(name, "image/");
}

// A copy of `event` (a segment) with `segment` in it and the same sequence number.
GstEvent* ReplaceSegment(GstEvent* event, const GstSegment& segment) {
  GstEvent* replacement = gst_event_new_segment(&segment);
  gst_event_set_seqnum(replacement, gst_event_get_seqnum(event));
  gst_event_unref(event);
  return replacement;
}

GstPadProbeReturn OnDemuxerOutput(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* watch = static_cast<WatchData*>(data);
  Timeline& timeline = *watch->timeline;
  if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
    timeline.demuxedBuffers.fetch_add(1, std::memory_order_relaxed);
    if (!timeline.measuring.load()) return GST_PAD_PROBE_OK;
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!GST_BUFFER_PTS_IS_VALID(buffer) || !IsAudioOrVideo(pad)) return GST_PAD_PROBE_OK;
    EventPtr sticky(gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0));
    if (!sticky) return GST_PAD_PROBE_OK;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(sticky.get(), &segment);
    if (segment->format != GST_FORMAT_TIME) return GST_PAD_PROBE_OK;
    // Timestamps before the segment (audio priming cut by an edit list) count
    // from the segment's start, except in MPEG streams, whose demuxers start
    // the segment at the first picture even when the sound starts earlier.
    auto pts = static_cast<std::int64_t>(GST_BUFFER_PTS(buffer));
    if (!watch->mpegSystem) pts = std::max(pts, static_cast<std::int64_t>(segment->start));
    timeline.OfferStart(
        ToMediaTimeNs({static_cast<std::int64_t>(segment->start),
                       static_cast<std::int64_t>(segment->time), segment->applied_rate},
                      pts));
    return GST_PAD_PROBE_OK;
  }
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (!event || GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) return GST_PAD_PROBE_OK;
  const GstSegment* original = nullptr;
  gst_event_parse_segment(event, &original);
  if (original->format != GST_FORMAT_TIME) return GST_PAD_PROBE_OK;
  GstSegment segment;
  gst_segment_copy_into(original, &segment);
  bool changed = false;
  if (watch->programStream && segment.rate > 0 && segment.time != segment.start) {
    segment.time = segment.start;
    changed = true;
  }
  {
    std::lock_guard lock(timeline.mutex);
    const auto start = static_cast<std::int64_t>(segment.start);
    if (timeline.demuxPending && segment.rate > 0 &&
        (gst_event_get_seqnum(event) == timeline.demuxSeqnum ||
         std::llabs(static_cast<std::int64_t>(segment.time) - timeline.demuxStartNs) <=
             kTimeToleranceNs)) {
      // Same stream times, another start; running times follow the start, the
      // same way on every stream of the seek. The shift is taken in stream
      // time: with an edit list, timestamps and stream times differ.
      const std::int64_t shift = timeline.demuxTargetNs - timeline.demuxStartNs;
      const auto time = static_cast<std::int64_t>(segment.time) + shift;
      segment.start = static_cast<guint64>(std::max<std::int64_t>(start + shift, 0));
      segment.time = static_cast<guint64>(std::max<std::int64_t>(time, 0));
      segment.position = segment.start;
      changed = true;
    }
  }
  if (changed) GST_PAD_PROBE_INFO_DATA(info) = ReplaceSegment(event, segment);
  return GST_PAD_PROBE_OK;
}

void OnDemuxerPad(GstElement*, GstPad* pad, gpointer data) {
  if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) return;
  const auto* watch = static_cast<WatchData*>(data);
  gst_pad_add_probe(
      pad,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      &OnDemuxerOutput, new WatchData(*watch), &WatchData::Free);
}

// ---- MPEG-1/2 pictures without timestamps ----

// One picture of an MPEG-1/2 elementary stream as the parser hands it out.
struct PictureHeader {
  bool startsGroup = false;  // a group-of-pictures header comes before the picture
  int temporalReference = -1;
};

PictureHeader ReadPicture(GstBuffer* buffer) {
  PictureHeader header;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return header;
  for (gsize i = 0; i + 5 < map.size; ++i) {
    if (map.data[i] != 0 || map.data[i + 1] != 0 || map.data[i + 2] != 1) continue;
    const guint8 code = map.data[i + 3];
    if (code == 0xB8) {
      header.startsGroup = true;
    } else if (code == 0x00) {
      header.temporalReference = (map.data[i + 4] << 2) | (map.data[i + 5] >> 6);
      break;
    }
  }
  gst_buffer_unmap(buffer, &map);
  return header;
}

// The display times of one decoder input's groups of pictures. Streaming
// thread only, except Reset from the flushing thread under the mutex.
struct PictureClock {
  std::mutex mutex;
  std::int64_t frameNs = 0;
  std::int64_t groupBaseNs = -1;  // display time of temporal reference 0
  int groupLength = 0;            // pictures of the group so far (highest reference + 1)
  std::int64_t nextBaseNs = -1;   // where the next group starts, once this one is done

  void Reset() {
    std::lock_guard lock(mutex);
    groupBaseNs = nextBaseNs = -1;
    groupLength = 0;
  }

  void OnPicture(GstPadProbeInfo* info) {
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const PictureHeader picture = ReadPicture(buffer);
    if (picture.temporalReference < 0) return;
    std::lock_guard lock(mutex);
    if (frameNs <= 0) return;
    if (picture.startsGroup) {
      nextBaseNs = groupBaseNs >= 0 ? groupBaseNs + groupLength * frameNs : -1;
      groupBaseNs = -1;
      groupLength = 0;
    }
    groupLength = std::max(groupLength, picture.temporalReference + 1);
    const std::int64_t offset = picture.temporalReference * frameNs;
    if (GST_BUFFER_PTS_IS_VALID(buffer)) {
      groupBaseNs = static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)) - offset;
      return;
    }
    if (groupBaseNs < 0) groupBaseNs = nextBaseNs;
    if (groupBaseNs < 0 || groupBaseNs + offset < 0) return;
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(groupBaseNs + offset);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
  }

  static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* self = static_cast<PictureClock*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
      self->OnPicture(info);
      return GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event) return GST_PAD_PROBE_OK;
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP ||
        GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
      self->Reset();
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
      GstCaps* caps = nullptr;
      gst_event_parse_caps(event, &caps);
      int num = 0;
      int den = 0;
      if (caps &&
          gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den) &&
          num > 0 && den > 0) {
        std::lock_guard lock(self->mutex);
        self->frameNs =
            static_cast<std::int64_t>(gst_util_uint64_scale_int_round(GST_SECOND, den, num));
      }
    }
    return GST_PAD_PROBE_OK;
  }
  static void Free(gpointer data) { delete static_cast<PictureClock*>(data); }
};

bool IsMpeg12Video(const GstCaps* caps) {
  if (!caps || gst_caps_is_empty(caps)) return false;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  int version = 0;
  gboolean system = FALSE;
  return std::string_view(gst_structure_get_name(s)) == "video/mpeg" &&
         gst_structure_get_int(s, "mpegversion", &version) && (version == 1 || version == 2) &&
         !(gst_structure_get_boolean(s, "systemstream", &system) && system);
}

GQuark PictureClockQuark() {
  static const GQuark quark = g_quark_from_static_string("frivo-picture-clock");
  return quark;
}

// On a video decoder's input: once its caps say MPEG-1/2 video, the picture
// clock goes in front of it.
GstPadProbeReturn OnDecoderCaps(GstPad* pad, GstPadProbeInfo* info, gpointer) {
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (!event || GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  GstCaps* caps = nullptr;
  gst_event_parse_caps(event, &caps);
  if (!IsMpeg12Video(caps) || g_object_get_qdata(G_OBJECT(pad), PictureClockQuark()))
    return GST_PAD_PROBE_OK;
  g_object_set_qdata(G_OBJECT(pad), PictureClockQuark(), GINT_TO_POINTER(1));
  auto* clock = new PictureClock;
  // This caps event passes the new probe too late to be seen by it.
  int num = 0;
  int den = 0;
  if (gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den) &&
      num > 0 && den > 0) {
    clock->frameNs =
        static_cast<std::int64_t>(gst_util_uint64_scale_int_round(GST_SECOND, den, num));
  }
  gst_pad_add_probe(
      pad,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                   GST_PAD_PROBE_TYPE_EVENT_FLUSH),
      &PictureClock::Probe, clock, &PictureClock::Free);
  return GST_PAD_PROBE_OK;
}

// On a video decoder's input: every frame's start and end, so the stamper finds
// the true start of the one the decoder cuts at a seek's start.
GstPadProbeReturn RecordDecoderInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
  Timeline& timeline = *static_cast<WatchData*>(data)->timeline;
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (timeline.frameTable && GST_BUFFER_PTS_IS_VALID(buffer)) {
      const std::int64_t duration =
          timeline.frameTable->FrameDurationAt(static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)));
      // Only a duration far too short is replaced: it would end the frame before
      // a seek's position inside it, and the decoder would drop the frame.
      if (duration > 0 && (!GST_BUFFER_DURATION_IS_VALID(buffer) ||
                           2 * static_cast<std::int64_t>(GST_BUFFER_DURATION(buffer)) < duration)) {
        buffer = gst_buffer_make_writable(buffer);
        GST_BUFFER_DURATION(buffer) = static_cast<GstClockTime>(duration);
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
      }
    }
    if (GST_BUFFER_PTS_IS_VALID(buffer) && GST_BUFFER_DURATION_IS_VALID(buffer) &&
        GST_BUFFER_DURATION(buffer) > 0) {
      const auto start = static_cast<std::int64_t>(GST_BUFFER_PTS(buffer));
      timeline.RecordDecoderInput(start,
                                  start + static_cast<std::int64_t>(GST_BUFFER_DURATION(buffer)));
    }
  } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
             event && GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
    timeline.ForgetDecoderInput();
  }
  return GST_PAD_PROBE_OK;
}

void OnElementSetup(GstElement*, GstElement* element, gpointer data) {
  auto* watch = static_cast<WatchData*>(data);
  GstElementFactory* factory = gst_element_get_factory(element);
  if (!factory) return;
  const std::string_view name = GST_OBJECT_NAME(factory);
  const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
  if (klass && std::strstr(klass, "Demux")) {
    if (name == "avidemux") watch->timeline->aviSource.store(true);
    if (name == "mpegpsdemux" || name == "tsdemux") watch->timeline->mpegSystem.store(true);
    auto* pads = new WatchData{watch->timeline, name == "mpegpsdemux",
                               name == "mpegpsdemux" || name == "tsdemux"};
    g_signal_connect_data(
        element, "pad-added", G_CALLBACK(&OnDemuxerPad), pads,
        [](gpointer owned, GClosure*) { WatchData::Free(owned); }, static_cast<GConnectFlags>(0));
    return;
  }
  if (!klass || !std::strstr(klass, "Decoder") || !std::strstr(klass, "Video")) return;
  WatchDecoderForReorder(element, watch->timeline);
  PadPtr sink(gst_element_get_static_pad(element, "sink"));
  if (sink) {
    gst_pad_add_probe(sink.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnDecoderCaps, nullptr,
                      nullptr);
    gst_pad_add_probe(
        sink.get(),
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        &RecordDecoderInput, new WatchData{watch->timeline}, &WatchData::Free);
  }
}

GstPadProbeReturn OnVideoSegment(GstPad*, GstPadProbeInfo* info, gpointer data) {
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (!event || GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) return GST_PAD_PROBE_OK;
  Timeline& timeline = *static_cast<WatchData*>(data)->timeline;
  const GstSegment* segment = nullptr;
  gst_event_parse_segment(event, &segment);
  if (segment->format != GST_FORMAT_TIME || segment->rate <= 0) return GST_PAD_PROBE_OK;
  std::int64_t target = -1;
  {
    std::lock_guard lock(timeline.mutex);
    if (!timeline.videoPending) return GST_PAD_PROBE_OK;
    if (std::llabs(static_cast<std::int64_t>(segment->start) - timeline.videoSeekStartNs) >
        kTimeToleranceNs) {
      return GST_PAD_PROBE_OK;
    }
    timeline.videoPending = false;
    target = timeline.videoTargetNs;
  }
  GstSegment moved;
  gst_segment_copy_into(segment, &moved);
  const auto delta = static_cast<guint64>(target - static_cast<std::int64_t>(segment->start));
  moved.start += delta;
  moved.time += delta;
  moved.position = moved.start;
  moved.base += static_cast<guint64>(static_cast<double>(delta) / std::abs(segment->rate));
  GST_PAD_PROBE_INFO_DATA(info) = ReplaceSegment(event, moved);
  return GST_PAD_PROBE_OK;
}

}  // namespace

void InstallElementWatch(GstElement* playbin, const std::shared_ptr<Timeline>& timeline) {
  g_signal_connect_data(
      playbin, "element-setup", G_CALLBACK(&OnElementSetup), new WatchData{timeline},
      [](gpointer data, GClosure*) { WatchData::Free(data); }, static_cast<GConnectFlags>(0));
}

void InstallSegmentAdjust(GstPad* pad, const std::shared_ptr<Timeline>& timeline) {
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnVideoSegment,
                    new WatchData{timeline}, &WatchData::Free);
}

}  // namespace frivo::gst
