// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/frame_picker.h"

#include "capture/capture_math.h"

namespace frivo {

TFramePicker::TFramePicker(double start, int count, double every, double end, double frameTime)
    : start_(start),
      count_(count),
      every_(every),
      end_(end),
      frameTime_(frameTime),
      threshold_(start) {
  done_ = count_ <= 0 || (every_ > 0 && end_ >= 0 && start_ > end_);
}

bool TFramePicker::WouldTake(double time) const {
  return !done_ && AtOrAfterThreshold(time, threshold_, frameTime_);
}

bool TFramePicker::Offer(double time) {
  if (!WouldTake(time)) return false;
  ++taken_;
  if (every_ > 0) {
    // Thresholds are multiples of the interval from the start, so rounding
    // does not add up over a long file.
    while (AtOrAfterThreshold(time, threshold_, frameTime_))
      threshold_ = start_ + static_cast<double>(++step_) * every_;
    if (end_ >= 0 && threshold_ > end_) done_ = true;
  }
  if (taken_ >= count_) done_ = true;
  return true;
}

bool SeekPays(double gap, double keySpacing) {
  // Without a spacing seen yet, a gap of a few seconds is where typical files
  // (key frames every 1 to 10 s) start to gain.
  constexpr double kUnknownSpacing = 5.0;
  return gap > (keySpacing > 0 ? keySpacing : kUnknownSpacing);
}

}  // namespace frivo
