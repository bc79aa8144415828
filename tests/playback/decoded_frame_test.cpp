// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// A batch grab takes frames as the decoder gave them and makes their pictures
// on another thread, later. The pictures must be the grabber's own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "fixtures/fixtures.h"
#include "imaging/bmp_format.h"
#include "playback/playback_graph.h"

namespace frivo::test {
namespace {

constexpr std::size_t kFrames = 4;

// Opens `file` headless with a sample grabber, lets `attach` install a handler,
// plays until `enough` holds and releases the graph.
template <class Attach, class Enough>
void PlayHeadless(const QString& file, Attach attach, Enough enough) {
  TPlaybackGraph graph;
  ASSERT_TRUE(graph.CreateWithRenderer() && graph.MakeHeadless() && graph.AddSampleGrabber() &&
              graph.RenderFile(file));
  attach(graph);
  ASSERT_TRUE(graph.Run());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!enough() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  graph.Release();
}

TEST(DecodedFrame, MakesTheGrabbersPictureLongAfterTheGraphHasGone) {
  const AudioOutput saved = CurrentAudioOutput();
  SetAudioOutput(AudioOutput::kNone);
  // Widths whose rows need padding, from two decoders' formats.
  for (const char* name : {"h264_318x240.mp4", "mjpeg_101x76.avi"}) {
    SCOPED_TRACE(name);
    const QString file = FixturePath(name);
    std::mutex mutex;
    std::map<double, std::vector<std::uint8_t>> rows;
    PlayHeadless(
        file,
        [&](TPlaybackGraph& graph) {
          (void)graph.SetFrameHandler([&](double time, const std::uint8_t* bits, long length) {
            std::lock_guard lock(mutex);
            if (bits && rows.size() < kFrames) rows[time].assign(bits, bits + length);
          });
        },
        [&] {
          std::lock_guard lock(mutex);
          return rows.size() >= kFrames;
        });
    std::map<double, TDecodedFrame> frames;
    PlayHeadless(
        file,
        [&](TPlaybackGraph& graph) {
          (void)graph.SetDecodedFrameHandler([&](double time, const TDecodedFrame& frame) {
            std::lock_guard lock(mutex);
            if (!frame.Empty() && frames.size() < kFrames) frames[time] = frame;
          });
        },
        [&] {
          std::lock_guard lock(mutex);
          return frames.size() >= kFrames;
        });
    ASSERT_EQ(rows.size(), kFrames);
    ASSERT_EQ(frames.size(), kFrames);
    int compared = 0;
    for (const auto& [time, frame] : frames) {
      const auto delivered = rows.find(time);
      if (delivered == rows.end()) continue;
      SCOPED_TRACE(time);
      const auto stride = static_cast<std::size_t>(Rgb24Stride(frame.Width()));
      const auto height = static_cast<std::size_t>(frame.Height());
      std::vector<std::uint8_t> bottomUp(delivered->second.size());
      ASSERT_EQ(bottomUp.size(), stride * height);
      // Made on a thread of its own, as the writer makes it.
      bool converted = false;
      std::thread([&] {
        converted = frame.ToBgrRows(bottomUp.data(), static_cast<std::int64_t>(stride), true);
      }).join();
      ASSERT_TRUE(converted);
      const std::size_t rowBytes = static_cast<std::size_t>(frame.Width()) * 3;
      std::vector<std::uint8_t> topDown(stride * height);
      ASSERT_TRUE(frame.ToBgrRows(topDown.data(), static_cast<std::int64_t>(stride), false));
      for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* expected = delivered->second.data() + y * stride;
        ASSERT_EQ(0, std::memcmp(bottomUp.data() + y * stride, expected, rowBytes)) << "row " << y;
        ASSERT_EQ(0, std::memcmp(topDown.data() + (height - 1 - y) * stride, expected, rowBytes))
            << "row " << y << " top down";
      }
      ++compared;
    }
    EXPECT_GE(compared, 2) << "the two runs delivered different frames";
  }
  SetAudioOutput(saved);
}

}  // namespace
}  // namespace frivo::test
