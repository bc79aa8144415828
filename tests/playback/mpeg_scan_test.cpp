// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/mpeg_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fixtures/fixtures.h"

namespace frivo {
namespace {

// The five bytes of a PES time with the marker bits set; `prefix` is 0010 for
// a lone PTS.
void PutTime(std::vector<std::uint8_t>& out, std::int64_t ticks, std::uint8_t prefix) {
  out.push_back(static_cast<std::uint8_t>(prefix << 4 | ((ticks >> 29) & 0x0E) | 1));
  out.push_back(static_cast<std::uint8_t>(ticks >> 22));
  out.push_back(static_cast<std::uint8_t>(((ticks >> 14) & 0xFE) | 1));
  out.push_back(static_cast<std::uint8_t>(ticks >> 7));
  out.push_back(static_cast<std::uint8_t>(((ticks << 1) & 0xFE) | 1));
}

// An MPEG-2 PES header with a PTS for stream `id`.
void PutMpeg2Pes(std::vector<std::uint8_t>& out, std::uint8_t id, std::int64_t ticks) {
  out.insert(out.end(), {0, 0, 1, id, 0, 0, 0x80, 0x80, 5});
  PutTime(out, ticks, 2);
  out.insert(out.end(), {0xAA, 0xBB});  // payload
}

// An MPEG-1 PES header: stuffing, a buffer size, then the PTS.
void PutMpeg1Pes(std::vector<std::uint8_t>& out, std::uint8_t id, std::int64_t ticks) {
  out.insert(out.end(), {0, 0, 1, id, 0, 0, 0xFF, 0xFF, 0x40, 0x20});
  PutTime(out, ticks, 2);
}

TEST(ScanVideoPts, FindsTheFirstAndLastVideoTimesOfBothHeaderKinds) {
  std::vector<std::uint8_t> bytes{0x47, 0x12};
  PutMpeg2Pes(bytes, 0xE0, 90'000 + 3600);
  PutMpeg2Pes(bytes, 0xC0, 1000);  // audio: not counted
  PutMpeg2Pes(bytes, 0xE0, 90'000);
  PutMpeg1Pes(bytes, 0xE1, (std::int64_t{1} << 32) + 7);  // high bits of 33
  const std::optional<PtsRange> range = ScanVideoPts(bytes);
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, 90'000);
  EXPECT_EQ(range->last, (std::int64_t{1} << 32) + 7);
}

TEST(ScanVideoPts, IgnoresHeadersWithoutTimesAndAnyByteString) {
  std::vector<std::uint8_t> bytes{0, 0, 1, 0xE0, 0, 0, 0x80, 0x00, 0};  // no PTS flag
  EXPECT_FALSE(ScanVideoPts(bytes));
  bytes = {0, 0, 1, 0xE0, 0, 0, 0x80, 0x80, 5, 0x20, 0, 0, 0, 0};  // marker bits wrong
  EXPECT_FALSE(ScanVideoPts(bytes));
  EXPECT_FALSE(ScanVideoPts({}));
  // Truncated headers at the end of the data, and random bytes, are read safely.
  std::vector<std::uint8_t> cut;
  PutMpeg2Pes(cut, 0xE0, 5);
  for (std::size_t n = 0; n < cut.size(); ++n)
    (void)ScanVideoPts(std::span<const std::uint8_t>(cut.data(), n));
  std::mt19937 random(7);
  std::vector<std::uint8_t> noise(1 << 16);
  for (auto& byte : noise) byte = static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : random());
  (void)ScanVideoPts(noise);
}

TEST(VideoPtsSpan, MeasuresTheFixturesFromFirstToLastPicture) {
  // 100 frames at 25 fps: the last picture starts 99 frames after the first.
  for (const char* name : {test::kMpeg2Mpg, test::kH264Ts}) {
    const std::optional<std::int64_t> span = VideoPtsSpanNs(test::FixturePath(name));
    ASSERT_TRUE(span) << name;
    EXPECT_NEAR(static_cast<double>(*span), 99 * 40e6, 1e3) << name;
  }
  EXPECT_FALSE(VideoPtsSpanNs(test::FixturePath(test::kGarbageMp4)));
  EXPECT_FALSE(VideoPtsSpanNs(test::FixturePath("no-such-file.ts")));
}

}  // namespace
}  // namespace frivo
