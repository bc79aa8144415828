// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Pure arithmetic of the playback layer: media times of frames, the bitmap layout
// frames are handed out in, volume units. No GStreamer types here, so all of it is
// tested without a pipeline.

#include <QImage>
#include <cstdint>
#include <vector>

#include "playback/com.h"

namespace frivo {

// Two media times closer than this are the same time: 29.97 fps times are
// truncated to whole nanoseconds, so exact comparison fails by a nanosecond.
inline constexpr std::int64_t kTimeToleranceNs = 1000;
inline constexpr double kTimeTolerance = 1e-6;

// The part of a playback segment that maps buffer timestamps to media time.
struct SegmentTimes {
  std::int64_t start = 0;  // first timestamp of the segment (ns)
  std::int64_t time = 0;   // media time of `start` (ns)
  double appliedRate = 1.0;
};

// Media time (ns) of a buffer timestamp; timestamps before the segment start give
// times before the segment's media time (possibly negative).
[[nodiscard]] std::int64_t ToMediaTimeNs(const SegmentTimes& segment, std::int64_t timestamp);

// The true start of a frame. After an accurate seek the decoder cuts the frame
// that contains the seek target: its timestamp becomes the target and its duration
// shrinks, while its end stays right. A frame stamped exactly at the segment start
// and shorter than the nominal frame duration is such a cut frame; its start is its
// end minus the nominal duration. Anything else keeps its timestamp. `duration` and
// `nominal` are -1 when unknown.
[[nodiscard]] std::int64_t TrueFrameStartNs(std::int64_t timestamp, std::int64_t duration,
                                            std::int64_t segmentStart, std::int64_t nominal);

// Copies `height` rows of packed 24-bit pixels (top row first, `srcStride` bytes
// apart) into `dst` bottom row first with rows of Rgb24Stride(width) bytes, the
// padding bytes zeroed. `dst` must hold height x Rgb24Stride(width) bytes.
void CopyRowsBottomUp(const BYTE* src, std::int64_t srcStride, int width, int height, BYTE* dst);

// Size in bytes of the packed DIB of a width x height 24-bit picture (header included).
[[nodiscard]] std::int64_t PackedDibSize(int width, int height);
// The picture as a packed DIB: BITMAPINFOHEADER (40 bytes, 24 bits, BI_RGB,
// positive height) then bottom-up BGR rows padded to 4 bytes. Any image format is
// converted; an empty image gives an empty result.
[[nodiscard]] std::vector<BYTE> PackDib(const QImage& image);

// Volume in hundredths of a decibel (-10000 silence .. 0 full) to a linear factor
// and back.
[[nodiscard]] double VolumeToLinear(LONG volume);
[[nodiscard]] LONG LinearToVolume(double linear);

}  // namespace frivo
