// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

namespace frivo {

// Which decoded frames one set takes, offered in presentation order. From the
// first frame at or after `start` (the capture threshold rule, with its slack):
// either `count` consecutive frames, or, with an interval, the first frame at
// or after each of start, start + every, start + 2 every ... up to `end`
// (inclusive; -1 for none), at most `count` of them. A frame that lies at or
// after several thresholds is taken once.
class TFramePicker {
 public:
  TFramePicker(double start, int count, double every, double end, double frameTime);

  // True when the frame at `time` is taken.
  [[nodiscard]] bool Offer(double time);
  // Whether Offer(time) would take the frame, without taking it.
  [[nodiscard]] bool WouldTake(double time) const;
  [[nodiscard]] bool Done() const { return done_; }
  [[nodiscard]] int Taken() const { return taken_; }
  // The threshold the next frame taken must reach.
  [[nodiscard]] double NextThreshold() const { return threshold_; }
  [[nodiscard]] bool Spaced() const { return every_ > 0; }

 private:
  double start_;
  int count_;
  double every_;
  double end_;
  double frameTime_;
  long long step_ = 0;  // index of the current threshold of a spaced set
  double threshold_;
  int taken_ = 0;
  bool done_ = false;
};

// How far apart two thresholds of a spaced set must be before the run seeks to
// the next one instead of decoding on: a seek decodes from the key frame before
// the threshold, so it pays once the gap is longer than the key frame spacing
// (`keySpacing`, 0 while unknown).
[[nodiscard]] bool SeekPays(double gap, double keySpacing);

}  // namespace frivo
