// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/mp4_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fixtures/fixtures.h"

namespace frivo {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

Bytes Box(const char* type, const Bytes& contents) {
  Bytes box;
  Put32(box, static_cast<std::uint32_t>(contents.size() + 8));
  box.insert(box.end(), type, type + 4);
  box.insert(box.end(), contents.begin(), contents.end());
  return box;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

using Entries = std::initializer_list<std::pair<std::uint32_t, std::uint32_t>>;

// A table box of (count, value) entries after version, flags and the count.
Bytes Table(const char* type, Entries entries) {
  Bytes table(4, 0);
  Put32(table, static_cast<std::uint32_t>(entries.size()));
  for (const auto& [count, value] : entries) {
    Put32(table, count);
    Put32(table, value);
  }
  return Box(type, table);
}

// A track with handler `handler`, a version-0 media header, a time-to-sample
// table of (count, delta) entries and optionally composition offsets.
Bytes Track(const char* handler, std::uint32_t timescale, Entries entries, Entries offsets = {}) {
  Bytes hdlr(8, 0);
  hdlr.insert(hdlr.end(), handler, handler + 4);
  hdlr.resize(hdlr.size() + 12, 0);
  Bytes mdhd(12, 0);  // version, flags, two dates
  Put32(mdhd, timescale);
  Put32(mdhd, 0);
  const Bytes stbl =
      Box("stbl", offsets.size() > 0 ? Join({Table("stts", entries), Table("ctts", offsets)})
                                     : Table("stts", entries));
  return Box("trak", Box("mdia", Join({Box("mdhd", mdhd), Box("hdlr", hdlr), Box("minf", stbl)})));
}

TEST(Mp4Scan, ReadsTheVideoTracksTimingAndTellsAnUnevenOne) {
  // The sound track comes first and is passed over.
  const Bytes moov = Join({Track("soun", 48000, {{100, 1024}}),
                           Track("vide", 600, {{1, 27}, {1, 27}, {1, 6}, {1, 27}})});
  const std::optional<TTrackTiming> uneven = ScanMoovVideoTiming(moov);
  ASSERT_TRUE(uneven.has_value());
  EXPECT_EQ(uneven->samples, 4);
  EXPECT_EQ(uneven->duration, 87);
  EXPECT_EQ(uneven->timescale, 600);
  EXPECT_FALSE(uneven->constantRate);
  EXPECT_EQ(uneven->AverageFrameNs(), 36'250'000);
  // Even frames, the last one shorter, as muxers write them: constant.
  const std::optional<TTrackTiming> even =
      ScanMoovVideoTiming(Track("vide", 90000, {{99, 3600}, {1, 1800}}));
  ASSERT_TRUE(even.has_value());
  EXPECT_TRUE(even->constantRate);
  EXPECT_EQ(even->samples, 100);
  // No video track, or a table that claims more entries than it holds.
  EXPECT_FALSE(ScanMoovVideoTiming(Track("soun", 48000, {{10, 1024}})).has_value());
  Bytes lying = Track("vide", 600, {{1, 20}});
  lying[lying.size() - 12] = 0xff;  // the entry count
  EXPECT_FALSE(ScanMoovVideoTiming(lying).has_value());
}

TEST(Mp4Scan, GivesEveryFrameItsDurationUpToTheNextInPresentationOrder) {
  // Decode order I P B B with composition offsets; 1000 ticks per second.
  // Decode times 0, 40, 50, 90; offsets 10, 80, 0, 0 -> shown at 10, 120, 50, 90.
  const Bytes grown =
      Track("vide", 1000, {{1, 40}, {1, 10}, {1, 40}, {1, 30}}, {{1, 10}, {1, 80}, {2, 0}});
  const std::optional<TTrackTiming> timing = ScanMoovVideoTiming(grown);
  ASSERT_TRUE(timing.has_value());
  ASSERT_FALSE(timing->constantRate);
  EXPECT_EQ(timing->presentationNs,
            (std::vector<std::int64_t>{10'000'000, 50'000'000, 90'000'000, 120'000'000}));
  EXPECT_EQ(timing->FrameDurationAt(10'000'000), 40'000'000);
  EXPECT_EQ(timing->FrameDurationAt(90'000'000), 30'000'000);
  EXPECT_EQ(timing->FrameDurationAt(120'000'000), 30'000'000);  // the last: its own step
  EXPECT_EQ(timing->FrameDurationAt(11'000'000), -1);
}

TEST(Mp4Scan, AnyBytesAreSafe) {
  std::mt19937 random(7);
  const Bytes good = Track("vide", 600, {{3, 20}, {1, 7}});
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = good;
    const int changes = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < changes; ++i)
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    bytes.resize(random() % (bytes.size() + 1));
    (void)ScanMoovVideoTiming(bytes);
  }
}

TEST(Mp4Scan, FindsTheMovieHeaderOfRealFiles) {
  const std::optional<TTrackTiming> vfr = Mp4VideoTiming(test::FixturePath(test::kVfrMov));
  ASSERT_TRUE(vfr.has_value());
  EXPECT_FALSE(vfr->constantRate);
  EXPECT_EQ(vfr->samples, 120);
  EXPECT_EQ(vfr->timescale, 600);
  const std::optional<TTrackTiming> cfr = Mp4VideoTiming(test::FixturePath(test::kH264Mp4));
  ASSERT_TRUE(cfr.has_value());
  EXPECT_TRUE(cfr->constantRate);
  EXPECT_EQ(cfr->samples, 100);
  EXPECT_FALSE(Mp4VideoTiming(test::FixturePath(test::kMjpegAvi)).has_value());
  EXPECT_FALSE(Mp4VideoTiming(test::FixturePath(test::kGarbageMp4)).has_value());
}

}  // namespace
}  // namespace frivo
