// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <span>

namespace frivo {

// Where a capture run n frames away from `base` starts storing frames and where
// the player is sought for it: inside the wanted frame, whatever the rounding.
// Going forward 0.4 frame after the threshold; from a frame's own time or going
// back just after the threshold, by the rounding slack of AtOrAfterThreshold,
// because any point before it lies in the frame before, and when the wanted
// frame is a key frame, decoding that one costs the whole group before it.
struct TCaptureStart {
  double threshold = 0;
  double seekTarget = 0;
};
[[nodiscard]] TCaptureStart CaptureStart(int n, double base, double frameTime);
// The same counted in frames of unevenly spaced video, whose media times
// `frameTimes` lists in order: the run starts at the frame n frames from the one
// at `base` (a base past the last frame counts as the frame after it), and the
// player is sought to that frame's own time. Without times, as above.
[[nodiscard]] TCaptureStart CaptureStart(int n, double base, double frameTime,
                                         std::span<const double> frameTimes);

// True when a frame at `time` belongs to a run that starts at `threshold`.
// Thresholds are whole frame times from a frame's time, while containers round
// their times to their own clock (Matroska, FLV and ASF to the millisecond), so
// the next frame may come up to a millisecond before the threshold. The slack
// is that millisecond (a quarter frame at most), never a frame the user would
// see as earlier than the time asked for.
[[nodiscard]] bool AtOrAfterThreshold(double time, double threshold, double frameTime);
// That slack, in seconds.
[[nodiscard]] double ThresholdSlack(double frameTime);

// The number at the end of a control's name ("Image_12" -> 12); 0 without one.
[[nodiscard]] int TrailingIndex(const QString& name);

// The base of the next set: the last positive time of the set, scanning from the
// last record down; the first record's time (maybe -1.0) when none is positive.
[[nodiscard]] double NextSetBase(std::span<const double> times);

// True when less than a whole set of `frameCount` frames is left after `shown`.
[[nodiscard]] bool NearEnd(double duration, int frameCount, double frameTime, double shown);

}  // namespace frivo
