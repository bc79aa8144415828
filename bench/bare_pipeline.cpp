// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
//
// The least a GStreamer pipeline can take for frivo-grab's job, to tell how much
// of frivo-grab's time is the graph it shares with the window and how much is
// GStreamer and the decoder themselves. A fixed MP4 H.264 pipeline without
// playbin (filesrc ! qtdemux ! h264parse ! avdec_h264 ! appsink), unsynchronised,
// takes COUNT frames from START seconds and writes them as 24-bit BMP files
// f0.bmp, f1.bmp, ... into the current folder. No media time is worked out
// (the frames are named by number), which is what the real graph spends its
// open on.
//
//   bare_pipeline FILE.mp4 START COUNT [--seek-before-preroll] [--skip-non-reference]
//
// --seek-before-preroll: the demuxer's first video buffer is held back and the
//   seek is sent before anything is decoded (no throw-away decode at 0 s).
// --skip-non-reference: H.264 pictures nothing refers to are not decoded when
//   they end before START, as frivo-grab does.
//
// Time it with the same command lines as bench/grab_vs_ffmpeg.py, e.g.
//   /usr/bin/time -f "%e s %U u %S s" build/bench/bare_pipeline a.mp4 55 5
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "imaging/bmp_format.h"
#include "playback/gst_convert.h"
#include "playback/gst_run_up.h"
#include "playback/playback_graph.h"

namespace {

struct TBareRun {
  bool seekEarly = false;
  bool skipNonReference = false;
  gint64 targetNs = 0;
  std::atomic<bool> held{false};
  GstPad* heldPad = nullptr;
  gulong holdProbe = 0;
};

GstPadProbeReturn OnFirstVideoBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
  static_cast<TBareRun*>(data)->held.store(true);
  return GST_PAD_PROBE_OK;  // stays blocked until the probe is removed
}

// Leaves out non-reference pictures (length-prefixed AVC, 4-byte lengths as
// MP4 writers use) that end before the target.
GstPadProbeReturn OnDecoderInput(GstPad*, GstPadProbeInfo* info, gpointer data) {
  const auto* run = static_cast<const TBareRun*>(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (!GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT) ||
      !GST_BUFFER_PTS_IS_VALID(buffer) || !GST_BUFFER_DURATION_IS_VALID(buffer) ||
      static_cast<gint64>(GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer)) > run->targetNs)
    return GST_PAD_PROBE_OK;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_PAD_PROBE_OK;
  const bool skip = frivo::gst::IsNonReferenceH264(map.data, map.size, 4);
  gst_buffer_unmap(buffer, &map);
  return skip ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

void OnDemuxerPad(GstElement*, GstPad* pad, gpointer data) {
  auto* run = static_cast<TBareRun*>(data);
  GstCaps* caps = gst_pad_query_caps(pad, nullptr);
  const bool video =
      caps && g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
  if (caps) gst_caps_unref(caps);
  if (!video) return;
  GstElement* parser = GST_ELEMENT(g_object_get_data(G_OBJECT(GST_OBJECT_PARENT(pad)), "parser"));
  GstPad* parserInput = gst_element_get_static_pad(parser, "sink");
  if (!gst_pad_is_linked(parserInput)) {
    if (run->seekEarly) {
      run->heldPad = GST_PAD(gst_object_ref(pad));
      run->holdProbe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
                                         &OnFirstVideoBuffer, run, nullptr);
    }
    gst_pad_link(pad, parserInput);
  }
  gst_object_unref(parserInput);
}

// A 24-bit BMP file: its two headers, then `rows` as they are (bottom-up DIB
// rows, Rgb24Stride bytes apart).
bool WriteBmp(const char* name, const std::vector<std::uint8_t>& rows, int width, int height) {
  unsigned char header[54] = {'B', 'M'};
  auto put32 = [&](int at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  put32(2, static_cast<std::uint32_t>(sizeof header + rows.size()));
  put32(10, sizeof header);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  header[26] = 1;
  header[28] = 24;
  put32(34, static_cast<std::uint32_t>(rows.size()));
  std::FILE* file = std::fopen(name, "wb");
  if (!file) return false;
  const bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                  std::fwrite(rows.data(), 1, rows.size(), file) == rows.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: bare_pipeline FILE.mp4 START COUNT [--seek-before-preroll] "
                 "[--skip-non-reference]\n");
    return 2;
  }
  TBareRun run;
  for (int i = 4; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--seek-before-preroll") run.seekEarly = true;
    if (option == "--skip-non-reference") run.skipNonReference = true;
  }
  run.targetNs = static_cast<gint64>(std::atof(argv[2]) * GST_SECOND);
  const int count = std::atoi(argv[3]);
  // The decoder libraries load on a second thread, as in frivo-grab.
  const frivo::TDecoderWarmUp warmUp;
  gst_init(&argc, &argv);

  GstElement* pipeline = gst_pipeline_new("bare");
  GstElement* source = gst_element_factory_make("filesrc", nullptr);
  GstElement* demuxer = gst_element_factory_make("qtdemux", nullptr);
  GstElement* parser = gst_element_factory_make("h264parse", nullptr);
  GstElement* decoder = gst_element_factory_make("avdec_h264", nullptr);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  if (!source || !demuxer || !parser || !decoder || !sink) {
    std::fprintf(stderr, "bare_pipeline: an element is missing\n");
    return 1;
  }
  g_object_set(source, "location", argv[1], nullptr);
  g_object_set(sink, "sync", FALSE, "max-buffers", 3, nullptr);
  gst_bin_add_many(GST_BIN(pipeline), source, demuxer, parser, decoder, sink, nullptr);
  gst_element_link(source, demuxer);
  gst_element_link_many(parser, decoder, sink, nullptr);
  g_object_set_data(G_OBJECT(demuxer), "parser", parser);
  g_signal_connect(demuxer, "pad-added", G_CALLBACK(&OnDemuxerPad), &run);
  if (run.skipNonReference) {
    GstPad* input = gst_element_get_static_pad(decoder, "sink");
    gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_BUFFER, &OnDecoderInput, &run, nullptr);
    gst_object_unref(input);
  }

  const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
  gst_element_set_state(pipeline, GST_STATE_PAUSED);
  if (run.seekEarly) {
    while (!run.held.load()) g_usleep(200);
    gst_element_send_event(
        demuxer, gst_event_new_seek(1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, run.targetNs,
                                    GST_SEEK_TYPE_NONE, -1));
    gst_pad_remove_probe(run.heldPad, run.holdProbe);
    gst_object_unref(run.heldPad);
  } else {
    gst_element_get_state(pipeline, nullptr, nullptr, GST_CLOCK_TIME_NONE);
    gst_element_seek_simple(pipeline, GST_FORMAT_TIME, flags, run.targetNs);
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);

  // Converted as frivo-grab's grabber converts: the same converter options, the
  // rows bottom-up as a DIB keeps them.
  frivo::gst::BgrConverter converter;
  std::vector<std::uint8_t> rows;
  int written = 0;
  for (; written < count; ++written) {
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample) break;
    GstVideoInfo info;
    gst_video_info_init(&info);
    GstVideoFrame frame;
    bool ok = gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
              gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ);
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    if (ok) {
      const auto stride = static_cast<int>(frivo::Rgb24Stride(width));
      rows.resize(static_cast<std::size_t>(stride) * height);
      ok = converter.Convert(frame, width, height, rows.data(), stride, true);
      gst_video_frame_unmap(&frame);
    }
    char name[32];
    std::snprintf(name, sizeof name, "f%d.bmp", written);
    ok = ok && WriteBmp(name, rows, width, height);
    std::printf("%s %.3f\n", name,
                static_cast<double>(GST_BUFFER_PTS(gst_sample_get_buffer(sample))) / GST_SECOND);
    gst_sample_unref(sample);
    if (!ok) break;
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return written == count ? 0 : 1;
}
