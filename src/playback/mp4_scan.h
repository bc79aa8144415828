// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Reads the video track's sample timing straight from an MP4 or QuickTime
// file's boxes. Phones record video whose frames are unevenly spaced; the
// demuxer then states a frame rate that can be one tick of the track's clock,
// while the track's sample table says how many frames there are and how long
// they last in all.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace frivo {

struct TTrackTiming {
  std::int64_t samples = 0;   // frames in the track
  std::int64_t duration = 0;  // their summed durations, in `timescale` ticks
  std::int64_t timescale = 0;
  // Every frame lasts the same (the last one may differ, as muxers write it).
  bool constantRate = true;
  // Average frame duration in nanoseconds; 0 when unknown.
  [[nodiscard]] std::int64_t AverageFrameNs() const;
  // For a track without a constant rate: every frame's presentation time as
  // the demuxer stamps it (decode time plus composition offset, in ns, rounded
  // down), sorted. Each frame lasts until the next; the last one for
  // `lastDurationNs`.
  std::vector<std::int64_t> presentationNs;
  std::int64_t lastDurationNs = 0;
  // The duration of the frame stamped `ptsNs`; -1 when no frame is.
  [[nodiscard]] std::int64_t FrameDurationAt(std::int64_t ptsNs) const;
};

// The first video track's timing in the bytes of a "moov" box's contents
// (the box header excluded); nullopt when there is none. Any bytes are safe.
[[nodiscard]] std::optional<TTrackTiming> ScanMoovVideoTiming(std::span<const std::uint8_t> moov);

// The same for a file: the top-level boxes are walked to "moov", wherever it
// is. nullopt for a file that is not MP4/QuickTime or has no video track.
[[nodiscard]] std::optional<TTrackTiming> Mp4VideoTiming(const QString& path);

}  // namespace frivo
