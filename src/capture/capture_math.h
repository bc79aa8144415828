// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <span>

namespace frivo {

// Where a capture run n frames away from `base` starts storing frames and where
// the player is sought for it: a little before the threshold going back (so the
// frame at the threshold is decoded and delivered), a little after it going
// forward (so the seek lands inside the wanted frame whatever the rounding).
struct TCaptureStart {
  double threshold = 0;
  double seekTarget = 0;
};
[[nodiscard]] TCaptureStart CaptureStart(int n, double base, double frameTime);

// The number at the end of a control's name ("Image_12" -> 12); 0 without one.
[[nodiscard]] int TrailingIndex(const QString& name);

// The base of the next set: the last positive time of the set, scanning from the
// last record down; the first record's time (maybe -1.0) when none is positive.
[[nodiscard]] double NextSetBase(std::span<const double> times);

// True when less than a whole set of `frameCount` frames is left after `shown`.
[[nodiscard]] bool NearEnd(double duration, int frameCount, double frameTime, double shown);

}  // namespace frivo
