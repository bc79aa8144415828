// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Pictures are made from frames in the decoder's own format only where needed.
// A captured frame must keep the bytes the videoconvert element gave it when
// every frame went through one, for every decoder's format.
#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/fixtures.h"
#include "playback/gst_convert.h"
#include "playback/gst_ptr.h"

namespace frivo::test {
namespace {

using gst::BufferPtr;
using gst::ElementPtr;
using gst::SamplePtr;

// The first `count` frames of `file` as decoded, after `tail` (appended to a
// uridecodebin), pulled from an appsink named "out".
std::vector<SamplePtr> Decode(const QString& file, const std::string& tail, int count) {
  gst_init(nullptr, nullptr);
  const std::string uri = "file://" + file.toStdString();
  GError* error = nullptr;
  ElementPtr pipeline(gst_parse_launch(
      ("uridecodebin uri=\"" + uri + "\" ! " + tail + " ! appsink name=out sync=false").c_str(),
      &error));
  if (error) g_error_free(error);
  std::vector<SamplePtr> samples;
  if (!pipeline) return samples;
  ElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  for (int i = 0; i < count; ++i) {
    SamplePtr sample(gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND));
    if (!sample) break;
    samples.push_back(std::move(sample));
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return samples;
}

TEST(BgrConverter, GivesTheBytesOfTheVideoconvertElementForEveryDecoderFormat) {
  for (const FixtureInfo& info : AllFixtures()) {
    if (!info.playable || !info.hasVideo) continue;
    SCOPED_TRACE(info.name);
    const QString file = FixturePath(info.name);
    const std::vector<SamplePtr> native = Decode(file, "capsfilter caps=video/x-raw", 3);
    const std::vector<SamplePtr> reference =
        Decode(file, "videoconvert ! capsfilter caps=video/x-raw,format=BGR", 3);
    ASSERT_EQ(native.size(), 3u);
    ASSERT_EQ(reference.size(), 3u);
    gst::BgrConverter converter;
    for (size_t n = 0; n < native.size(); ++n) {
      GstVideoInfo in;
      ASSERT_TRUE(gst_video_info_from_caps(&in, gst_sample_get_caps(native[n].get())));
      GstVideoFrame frame;
      ASSERT_TRUE(
          gst_video_frame_map(&frame, &in, gst_sample_get_buffer(native[n].get()), GST_MAP_READ));
      const int width = GST_VIDEO_INFO_WIDTH(&in);
      const int height = GST_VIDEO_INFO_HEIGHT(&in);
      QImage ours(width, height, QImage::Format_BGR888);
      const bool converted = converter.Convert(frame, width, height, ours.bits(),
                                               static_cast<int>(ours.bytesPerLine()));
      // The grabber's rows: bottom row first, each padded to four bytes.
      const int dibStride = (width * 3 + 3) & ~3;
      std::vector<std::uint8_t> dib(static_cast<size_t>(dibStride) * height);
      const bool convertedUpwards =
          converter.Convert(frame, width, height, dib.data(), dibStride, true);
      gst_video_frame_unmap(&frame);
      ASSERT_TRUE(converted);
      ASSERT_TRUE(convertedUpwards);

      GstVideoInfo out;
      ASSERT_TRUE(gst_video_info_from_caps(&out, gst_sample_get_caps(reference[n].get())));
      GstVideoFrame theirs;
      ASSERT_TRUE(gst_video_frame_map(&theirs, &out, gst_sample_get_buffer(reference[n].get()),
                                      GST_MAP_READ));
      int differing = 0;
      for (int y = 0; y < height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&theirs, 0)) +
                          std::int64_t{y} * GST_VIDEO_FRAME_PLANE_STRIDE(&theirs, 0);
        if (std::memcmp(row, ours.constScanLine(y), static_cast<size_t>(width) * 3) != 0 ||
            std::memcmp(row, dib.data() + std::int64_t{height - 1 - y} * dibStride,
                        static_cast<size_t>(width) * 3) != 0)
          ++differing;
      }
      gst_video_frame_unmap(&theirs);
      EXPECT_EQ(differing, 0) << "frame " << n << " in "
                              << gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&in));
    }
  }
}

}  // namespace
}  // namespace frivo::test
