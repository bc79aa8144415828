// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/frame_math.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "playback/media_type.h"

namespace frivo {
namespace {

constexpr std::int64_t kMs = 1'000'000;

TEST(FrameMath, MediaTimesOfTimestamps) {
  // A segment after a seek to 10 s: timestamps count from its start.
  const SegmentTimes seek{2000 * kMs, 10000 * kMs, 1.0};
  EXPECT_EQ(ToMediaTimeNs(seek, 2040 * kMs), 10040 * kMs);
  EXPECT_EQ(ToMediaTimeNs(seek, 1960 * kMs), 9960 * kMs);  // before the start
  // Playback at another rate: the running offset is scaled to media time.
  const SegmentTimes twice{0, 4000 * kMs, 2.0};
  EXPECT_EQ(ToMediaTimeNs(twice, 500 * kMs), 5000 * kMs);
  const SegmentTimes noRate{0, 0, 0.0};  // an unset rate counts as 1
  EXPECT_EQ(ToMediaTimeNs(noRate, 40 * kMs), 40 * kMs);

  // The frame an accurate seek cut at the segment start gets its true start back.
  const std::int64_t start = 1010 * kMs, nominal = 40 * kMs;
  EXPECT_EQ(TrueFrameStartNs(start, 30 * kMs, start, nominal), 1000 * kMs);
  EXPECT_EQ(TrueFrameStartNs(start + 500, 30 * kMs, start, nominal), 1000 * kMs + 500);
  // Whole frames, frames elsewhere, and unknown durations keep their stamp.
  EXPECT_EQ(TrueFrameStartNs(start, nominal, start, nominal), start);
  EXPECT_EQ(TrueFrameStartNs(start, nominal - 500, start, nominal), start);  // 29.97 fps rounding
  EXPECT_EQ(TrueFrameStartNs(start + 40 * kMs, 30 * kMs, start, nominal), start + 40 * kMs);
  EXPECT_EQ(TrueFrameStartNs(start, -1, start, nominal), start);
  EXPECT_EQ(TrueFrameStartNs(start, 30 * kMs, start, -1), start);
}

TEST(FrameMath, PackedDibIsBottomUpWithZeroedPadding) {
  // 5 pixels wide: rows of 15 bytes padded to 16.
  QImage image(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgb(10 * x, 100 + y, 200));
  const std::vector<BYTE> dib = PackDib(image);
  ASSERT_EQ(static_cast<std::int64_t>(dib.size()), PackedDibSize(5, 3));
  ASSERT_EQ(dib.size(), 40u + 3 * 16);
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib.data(), sizeof(header));
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 5);
  EXPECT_EQ(header.biHeight, 3);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, static_cast<std::uint32_t>(BI_RGB));
  EXPECT_EQ(header.biSizeImage, 48u);
  for (int row = 0; row < 3; ++row) {
    const BYTE* line = dib.data() + 40 + row * 16;
    const int y = 2 - row;  // the last picture row comes first
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(line[3 * x], 200) << x;  // blue, green, red
      EXPECT_EQ(line[3 * x + 1], 100 + y) << x;
      EXPECT_EQ(line[3 * x + 2], 10 * x) << x;
    }
    EXPECT_EQ(line[15], 0) << "padding of row " << row;
  }
  EXPECT_TRUE(PackDib(QImage()).empty());
}

TEST(FrameMath, VolumeUnitsRoundTrip) {
  EXPECT_DOUBLE_EQ(VolumeToLinear(0), 1.0);
  EXPECT_DOUBLE_EQ(VolumeToLinear(500), 1.0);  // louder than full is full
  EXPECT_DOUBLE_EQ(VolumeToLinear(-10000), 0.0);
  EXPECT_DOUBLE_EQ(VolumeToLinear(-20000), 0.0);
  EXPECT_NEAR(VolumeToLinear(-2000), 0.1, 1e-12);
  for (LONG volume : {0L, -1L, -600L, -2000L, -9999L, -10000L})
    EXPECT_EQ(LinearToVolume(VolumeToLinear(volume)), volume);
  EXPECT_EQ(LinearToVolume(2.0), 0);
  EXPECT_EQ(LinearToVolume(-1.0), -10000);
  EXPECT_EQ(LinearToVolume(1e-9), -10000);
}

}  // namespace
}  // namespace frivo
